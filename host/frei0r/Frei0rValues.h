// frei0r parameters are numbers 0..1; the effect takes percentages and identifiers. The
// conversions keep what a user typed: 0.29 in an editor renders exactly as --value 29.
#pragma once

#include "effect/EffectIds.h"

// 100 × fraction, computed on the decimal digits of the fraction's shortest form, so that
// the percentage is the double nearest to what the user wrote: 0.29 gives 29 exactly, where
// 0.29 × 100 would give 28.999999999999996, a value that can fall on the other side of one
// of the effects' steps. Clamped to 0..100; not-a-number gives 0.
double PercentOfFraction(double fraction);

// The effect a fraction chooses: each of the ten owns a tenth of 0..1 in identifier order, so
// 0 and 0.05 give Wave, 0.1 gives Replicate, 0.9 and 1 give Panel Rotate.
EffectId EffectOfFraction(double fraction);

// The fraction that chooses `id`: the start of its tenth.
double FractionOfEffect(EffectId id);
