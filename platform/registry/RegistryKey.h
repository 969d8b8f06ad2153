// One key of the registry held in memory: its values in the order they were first set, and
// its subkeys in name order.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <winreg.h>

#include "platform/registry/RegistryNames.h"

namespace zrq::registry {

struct RegistryValue {
  std::u16string name; // empty: the key's default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  bool operator==(const RegistryValue &) const = default;
};

class RegistryKey {
public:
  using Children = std::map<std::u16string, std::unique_ptr<RegistryKey>, NameLess>;

  explicit RegistryKey(std::u16string name) : name(std::move(name)) {}
  RegistryKey(const RegistryKey &other);
  RegistryKey &operator=(const RegistryKey &) = delete;

  const std::u16string &Name() const { return name; }

  RegistryKey *Child(std::u16string_view childName);
  const RegistryKey *Child(std::u16string_view childName) const;
  // The subkey of that name, made (with that spelling) when there is none.
  RegistryKey &AddChild(std::u16string_view childName, bool *created);
  bool RemoveChild(std::u16string_view childName);
  const Children &Subkeys() const { return children; }

  const RegistryValue *Value(std::u16string_view valueName) const;
  // Replaces the value of that name in its place, or adds it last. False when it held
  // exactly this already.
  bool SetValue(std::u16string_view valueName, DWORD type, std::vector<BYTE> data);
  bool RemoveValue(std::u16string_view valueName);
  const std::vector<RegistryValue> &Values() const { return values; }

  // Drops every value and subkey; false when there were none.
  bool Clear();

  // Same names (spelled alike), values in the same order, the same subkeys.
  bool operator==(const RegistryKey &other) const;

private:
  std::u16string name;
  std::vector<RegistryValue> values;
  Children children;
};

} // namespace zrq::registry
