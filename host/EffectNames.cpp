#include "host/EffectNames.h"

#include <array>
#include <charconv>

namespace {

constexpr std::array<std::string_view, kLastEffectId - kFirstEffectId + 1> kDisplayNames = {
    "Wave",
    "Replicate",
    "Mirror from Top",
    "Mirror from Bottom",
    "Mirror from Left",
    "Mirror from Right",
    "Color Shift Horizontal",
    "Color Shift Vertical",
    "Color Shift Diagonal",
    "Panel Rotate",
};

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
  return kDisplayNames[size_t(effectId - kFirstEffectId)];
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
    if (SameName(nameOrId, EffectDisplayName(candidate)))
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
