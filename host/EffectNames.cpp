#include "host/EffectNames.h"

#include <winuser.h>

#include <atlcomcli.h>
#include <charconv>

namespace {

char Folded(char c) {
  if (c >= 'A' && c <= 'Z') return char(c - 'A' + 'a');
  if (c == '-' || c == '_') return ' ';
  return c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Folded(a[i]) != Folded(b[i])) return false;
  return true;
}

} // namespace

EffectNames EffectNames::FromStringTable(HMODULE module) {
  EffectNames table;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    // With no buffer size LoadStringW hands out a pointer to the stored text itself, which
    // lives only as long as the module stays loaded: it is copied at once.
    LPCWSTR text = nullptr;
    int length = LoadStringW(module, UINT(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (length > 0 && text)
      table.names[size_t(id - kFirstEffectId)] = ZrqToUtf8(text, size_t(length));
  }
  return table;
}

std::string_view EffectNames::DisplayName(LONG effectId) const {
  if (effectId < kFirstEffectId || effectId > kLastEffectId) return {};
  return names[size_t(effectId - kFirstEffectId)];
}

std::string EffectNames::Slug(LONG effectId) const {
  std::string slug(DisplayName(effectId));
  for (char &c : slug) c = c == ' ' ? '-' : Folded(c);
  return slug;
}

std::optional<LONG> EffectNames::Find(std::string_view nameOrId) const {
  LONG id = 0;
  auto [end, error] = std::from_chars(nameOrId.data(), nameOrId.data() + nameOrId.size(), id);
  if (error == std::errc() && end == nameOrId.data() + nameOrId.size() && !nameOrId.empty())
    return id >= kFirstEffectId && id <= kLastEffectId ? std::optional<LONG>(id) : std::nullopt;
  for (LONG candidate = kFirstEffectId; candidate <= kLastEffectId; ++candidate)
    if (!DisplayName(candidate).empty() && SameName(nameOrId, DisplayName(candidate)))
      return candidate;
  return std::nullopt;
}

std::string EffectNames::Choices() const {
  std::string text;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    if (!text.empty()) text += ", ";
    text += DisplayName(id);
    text += " (" + std::to_string(id) + ")";
  }
  return text;
}
