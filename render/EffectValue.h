// The effect value as the renderers and the software processor take it: a fraction from 0 to 1.
// Anything else (a stored percentage can be any 16-bit number) would build absurd grids, move
// bands past the picture or turn the wave's factors infinite.
#pragma once

// The value held to 0..1; NaN reads as 0.
constexpr double ClampEffectValue(double value) {
  if (!(value >= 0.0)) return 0.0;
  return value > 1.0 ? 1.0 : value;
}
