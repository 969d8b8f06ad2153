// A key as a person writes it on the command line: ROOT\path, ROOT one of HKCR, HKCU, HKLM,
// HKU, HKCC or their long names, in any case.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

struct RegistryKeyName {
  HKEY root = nullptr;
  std::u16string subkey; // empty: the root itself
  std::string text;      // the key with the root's long name, as shown to the user

  // Nothing, with the reason in *error, for a key outside the known roots.
  static std::optional<RegistryKeyName> Parse(std::string_view key, std::string *error);
};
