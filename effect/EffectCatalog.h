// The ten effects behind the effect class: their identifiers, and the renderer each one
// selects. An identifier is also the string id of the effect's display name.
#pragma once

#include <wtypes.h>

#include "effect/EffectIds.h"

#include <span>

enum class RendererFamily { Wave, Replicate, Mirror, ColorShift, PanelRotate };

struct EffectCatalogEntry {
  LONG effectId;
  RendererFamily renderer;
  // The mirror and colour-shift renderers are given the identifier and derive their side
  // or direction from it; the others take no argument.
  bool rendererTakesEffectId;
};

inline constexpr LONG FirstEffectId = WaveEffectId;
inline constexpr LONG LastEffectId = PanelRotateEffectId;

constexpr bool IsValidEffectId(LONG effectId) {
  return effectId >= FirstEffectId && effectId <= LastEffectId;
}

// All entries, in identifier order.
std::span<const EffectCatalogEntry> EffectCatalog();
// The entry of a valid identifier; null otherwise.
const EffectCatalogEntry *FindEffect(LONG effectId);
