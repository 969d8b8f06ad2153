// The ten effects' identifiers and display names. The names are read from the module's own
// string table (the string id is the effect's identifier), so the tool says what the module
// says and never carries a copy of its own.
#pragma once

#include "effect/EffectCatalog.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

inline constexpr LONG kFirstEffectId = FirstEffectId;
inline constexpr LONG kLastEffectId = LastEffectId;

class EffectNames {
public:
  // Reads the display names of 2001..2010 from the string table of `module`; a name the
  // table lacks stays empty.
  static EffectNames FromStringTable(HMODULE module);

  // The display name of an identifier 2001..2010, or an empty view for any other (and for
  // any whose string the table lacks).
  std::string_view DisplayName(LONG effectId) const;

  // A file-name-friendly form of the display name: "Mirror from Top" gives "mirror-from-top".
  std::string Slug(LONG effectId) const;

  // Finds an effect by display name (case-insensitive; '-' and '_' also stand for a space, so
  // the slugs work too) or by its identifier written as a number.
  std::optional<LONG> Find(std::string_view nameOrId) const;

  // "Wave (2001), Replicate (2002), ..." for messages that list the valid choices.
  std::string Choices() const;

private:
  std::array<std::string, kLastEffectId - kFirstEffectId + 1> names;
};
