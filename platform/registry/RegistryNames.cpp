#include "platform/registry/RegistryNames.h"

#include <algorithm>

namespace zrq::registry {
namespace {

struct RootEntry {
  Root root;
  std::u16string_view name;
  HKEY handle;
};

const RootEntry kRootTable[] = {
    {Root::ClassesRoot, u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {Root::CurrentUser, u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {Root::LocalMachine, u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {Root::Users, u"HKEY_USERS", HKEY_USERS},
    {Root::CurrentConfig, u"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

const RootEntry &Entry(Root root) {
  for (const RootEntry &e : kRootTable) {
    if (e.root == root) return e;
  }
  return kRootTable[0];
}

// Upper case of ASCII and Latin-1 letters (the Latin-1 lower-case letters lie 0x20 above
// their capitals, except the division sign and the two without a Latin-1 capital).
char16_t Upper(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

bool HasUnpairedSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

bool HasControlCharacter(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

} // namespace

std::u16string_view RootName(Root root) { return Entry(root).name; }

std::optional<Root> RootFromName(std::u16string_view name) {
  for (const RootEntry &e : kRootTable) {
    if (NamesEqual(e.name, name)) return e.root;
  }
  return std::nullopt;
}

HKEY RootHandle(Root root) { return Entry(root).handle; }

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Upper(x) == Upper(y); });
}

bool NameLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return Upper(x) < Upper(y); });
}

LSTATUS CheckKeyName(std::u16string_view name) {
  if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
  if (name.empty() || name.find(u'\\') != std::u16string_view::npos || HasControlCharacter(name) ||
      HasUnpairedSurrogate(name))
    return ERROR_INVALID_NAME;
  return ERROR_SUCCESS;
}

LSTATUS CheckValueName(std::u16string_view name) {
  if (name.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  if (HasControlCharacter(name) || HasUnpairedSurrogate(name)) return ERROR_INVALID_NAME;
  return ERROR_SUCCESS;
}

LSTATUS AppendSubKey(LPCWSTR subKey, KeyPath *path) {
  if (subKey == nullptr || subKey[0] == 0) return ERROR_SUCCESS;
  std::u16string_view rest(subKey);
  if (rest.front() == u'\\') return ERROR_BAD_PATHNAME;
  if (rest.back() == u'\\') rest.remove_suffix(1);
  while (true) {
    const size_t end = rest.find(u'\\');
    const std::u16string_view name = rest.substr(0, end);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    if (const LSTATUS status = CheckKeyName(name); status != ERROR_SUCCESS) return status;
    if (path->names.size() >= kMaxDepth) return ERROR_INVALID_PARAMETER;
    path->names.emplace_back(name);
    if (end == std::u16string_view::npos) return ERROR_SUCCESS;
    rest.remove_prefix(end + 1);
  }
}

} // namespace zrq::registry
