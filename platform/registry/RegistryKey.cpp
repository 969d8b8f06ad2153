#include "platform/registry/RegistryKey.h"

#include <algorithm>

namespace zrq::registry {

RegistryKey::RegistryKey(const RegistryKey &other) : name(other.name), values(other.values) {
  for (const auto &[childName, child] : other.children)
    children.emplace(childName, std::make_unique<RegistryKey>(*child));
}

RegistryKey *RegistryKey::Child(std::u16string_view childName) {
  const auto found = children.find(childName);
  return found == children.end() ? nullptr : found->second.get();
}

const RegistryKey *RegistryKey::Child(std::u16string_view childName) const {
  const auto found = children.find(childName);
  return found == children.end() ? nullptr : found->second.get();
}

RegistryKey &RegistryKey::AddChild(std::u16string_view childName, bool *created) {
  auto found = children.find(childName);
  *created = found == children.end();
  if (*created) {
    std::u16string spelled(childName);
    found = children.emplace(spelled, std::make_unique<RegistryKey>(spelled)).first;
  }
  return *found->second;
}

bool RegistryKey::RemoveChild(std::u16string_view childName) {
  const auto found = children.find(childName);
  if (found == children.end()) return false;
  children.erase(found);
  return true;
}

const RegistryValue *RegistryKey::Value(std::u16string_view valueName) const {
  const auto found = std::find_if(values.begin(), values.end(), [&](const RegistryValue &v) {
    return NamesEqual(v.name, valueName);
  });
  return found == values.end() ? nullptr : &*found;
}

bool RegistryKey::SetValue(std::u16string_view valueName, DWORD type, std::vector<BYTE> data) {
  auto *existing = const_cast<RegistryValue *>(Value(valueName));
  if (existing == nullptr) {
    values.push_back({std::u16string(valueName), type, std::move(data)});
    return true;
  }
  if (existing->type == type && existing->data == data) return false;
  existing->type = type;
  existing->data = std::move(data);
  return true;
}

bool RegistryKey::RemoveValue(std::u16string_view valueName) {
  const auto found = std::find_if(values.begin(), values.end(), [&](const RegistryValue &v) {
    return NamesEqual(v.name, valueName);
  });
  if (found == values.end()) return false;
  values.erase(found);
  return true;
}

bool RegistryKey::Clear() {
  const bool hadContent = !values.empty() || !children.empty();
  values.clear();
  children.clear();
  return hadContent;
}

bool RegistryKey::operator==(const RegistryKey &other) const {
  if (name != other.name || values != other.values || children.size() != other.children.size())
    return false;
  return std::equal(children.begin(), children.end(), other.children.begin(),
                    [](const auto &a, const auto &b) { return *a.second == *b.second; });
}

} // namespace zrq::registry
