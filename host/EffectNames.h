// The ten effects' identifiers and display names. The names are the module's string table
// (the string id is the effect's identifier), linked into the tool with the module's
// resources, so the tool and the module never disagree about them.
#pragma once

#include "effect/EffectCatalog.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

inline constexpr LONG kFirstEffectId = FirstEffectId;
inline constexpr LONG kLastEffectId = LastEffectId;
inline constexpr LONG kDefaultEffectId = 2002;

// The display name of an identifier 2001..2010, or an empty view for any other (and for
// any whose string the resources lack).
std::string_view EffectDisplayName(LONG effectId);

// A file-name-friendly form of the display name: "Mirror from Top" gives "mirror-from-top".
std::string EffectSlug(LONG effectId);

// Finds an effect by display name (case-insensitive; '-' and '_' also stand for a space, so
// the slugs work too) or by its identifier written as a number.
std::optional<LONG> FindEffect(std::string_view nameOrId);

// "Wave (2001), Replicate (2002), ..." for messages that list the valid choices.
std::string EffectChoices();
