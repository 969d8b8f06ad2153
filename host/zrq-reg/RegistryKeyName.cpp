#include "host/zrq-reg/RegistryKeyName.h"

#include <zrqtext.h>

#include <cctype>

namespace {

struct Root {
  const char *longName;
  const char *shortName;
  HKEY key;
};

const Root kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", "HKU", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG},
};

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

} // namespace

std::optional<RegistryKeyName> RegistryKeyName::Parse(std::string_view key, std::string *error) {
  const size_t slash = key.find('\\');
  const std::string_view rootName = key.substr(0, slash);
  std::string_view rest =
      slash == std::string_view::npos ? std::string_view() : key.substr(slash + 1);
  while (rest.ends_with('\\')) rest.remove_suffix(1);
  for (const Root &root : kRoots) {
    if (!SameWord(rootName, root.longName) && !SameWord(rootName, root.shortName)) continue;
    RegistryKeyName name;
    name.root = root.key;
    if (!ZrqUtf8ToWide(rest, &name.subkey)) {
      *error = "the key's name is not UTF-8";
      return std::nullopt;
    }
    name.text = std::string(root.longName) + (rest.empty() ? "" : "\\" + std::string(rest));
    return name;
  }
  *error = "'" + std::string(rootName) + "' is not a root key: use HKCR, HKCU, HKLM, HKU or HKCC";
  return std::nullopt;
}
