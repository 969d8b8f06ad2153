// Every registry test works on a registry file of its own in a fresh temporary folder, named
// by ZRQ_REGISTRY, so that no test touches the user's registry.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <windows.h>
#include <zrqregistry.h>

class TemporaryRegistry {
public:
  TemporaryRegistry() {
    char pattern[] = "/tmp/zrq-registry-test-XXXXXX";
    const char *made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    folder = made ? made : "/tmp";
    file = folder + "/registry.reg";
    const char *old = std::getenv("ZRQ_REGISTRY");
    if (old) previous = old;
    hadPrevious = old != nullptr;
    setenv("ZRQ_REGISTRY", file.c_str(), 1);
  }
  ~TemporaryRegistry() {
    if (hadPrevious)
      setenv("ZRQ_REGISTRY", previous.c_str(), 1);
    else
      unsetenv("ZRQ_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  TemporaryRegistry(const TemporaryRegistry &) = delete;
  TemporaryRegistry &operator=(const TemporaryRegistry &) = delete;

  const std::string &File() const { return file; }
  const std::string &Folder() const { return folder; }

  std::string Text() const {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  void Write(const std::string &text) const { std::ofstream(file, std::ios::binary) << text; }

private:
  std::string folder, file, previous;
  bool hadPrevious = false;
};

inline std::string LastProblem() {
  char text[1024];
  ZrqRegGetLastProblem(text, sizeof text);
  return text;
}

// A REG_SZ's bytes, with the terminator, as RegSetValueExW takes them.
inline LSTATUS SetString(HKEY key, const char16_t *name, std::u16string_view text) {
  std::u16string terminated(text);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(terminated.c_str()),
                        static_cast<DWORD>((terminated.size() + 1) * sizeof(char16_t)));
}

// A REG_SZ read back; nothing when the key or the value cannot be read.
inline std::optional<std::u16string> GetString(HKEY key, const char16_t *subKey,
                                               const char16_t *name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(key, subKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
  char16_t buffer[1024] = {};
  DWORD size = sizeof buffer - sizeof(char16_t), type = 0;
  const LSTATUS status =
      RegQueryValueExW(opened, name, nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::u16string(buffer);
}
