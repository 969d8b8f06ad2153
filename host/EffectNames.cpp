#include "host/EffectNames.h"

#include <winuser.h>
#include <zrqresource.h>

#include <array>
#include <atlcomcli.h>
#include <charconv>

namespace {

using NameTable = std::array<std::string, kLastEffectId - kFirstEffectId + 1>;

// Read once from the string table of this program's own resources.
const NameTable &DisplayNames() {
  static const NameTable names = [] {
    NameTable table;
    for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
      // With no buffer size LoadStringW hands out a pointer to the stored text itself.
      LPCWSTR text = nullptr;
      int length = LoadStringW(ZrqThisModule(), UINT(id), reinterpret_cast<LPWSTR>(&text), 0);
      if (length > 0 && text)
        table[size_t(id - kFirstEffectId)] = ZrqToUtf8(text, size_t(length));
    }
    return table;
  }();
  return names;
}

char Folded(char c) {
  if (c >= 'A' && c <= 'Z')
    return char(c - 'A' + 'a');
  if (c == '-' || c == '_')
    return ' ';
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i]))
      return false;
  return true;
}

} // namespace

std::string_view EffectDisplayName(LONG effectId) {
  if (effectId < kFirstEffectId || effectId > kLastEffectId)
    return {};
  return DisplayNames()[size_t(effectId - kFirstEffectId)];
}

std::string EffectSlug(LONG effectId) {
  std::string slug(EffectDisplayName(effectId));
  for (char &c : slug)
    c = c == ' ' ? '-' : Folded(c);
  return slug;
}

std::optional<LONG> FindEffect(std::string_view nameOrId) {
  LONG id = 0;
  auto [end, error] = std::from_chars(nameOrId.data(), nameOrId.data() + nameOrId.size(), id);
  if (error == std::errc() && end == nameOrId.data() + nameOrId.size() && !nameOrId.empty())
    return id >= kFirstEffectId && id <= kLastEffectId ? std::optional<LONG>(id) : std::nullopt;
  for (LONG candidate = kFirstEffectId; candidate <= kLastEffectId; ++candidate)
    if (!EffectDisplayName(candidate).empty() && SameName(nameOrId, EffectDisplayName(candidate)))
      return candidate;
  return std::nullopt;
}

std::string EffectChoices() {
  std::string text;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    if (!text.empty())
      text += ", ";
    text += EffectDisplayName(id);
    text += " (" + std::to_string(id) + ")";
  }
  return text;
}
