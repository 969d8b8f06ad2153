// The ten effects' identifiers and display names. This is the one place they live until the
// module's string table supplies the names.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

inline constexpr LONG kFirstEffectId = 2001;
inline constexpr LONG kLastEffectId = 2010;
inline constexpr LONG kDefaultEffectId = 2002;

// The display name of an identifier 2001..2010, or an empty view for any other.
std::string_view EffectDisplayName(LONG effectId);

// A file-name-friendly form of the display name: "Mirror from Top" gives "mirror-from-top".
std::string EffectSlug(LONG effectId);

// Finds an effect by display name (case-insensitive; '-' and '_' also stand for a space, so
// the slugs work too) or by its identifier written as a number.
std::optional<LONG> FindEffect(std::string_view nameOrId);

// "Wave (2001), Replicate (2002), ..." for messages that list the valid choices.
std::string EffectChoices();
