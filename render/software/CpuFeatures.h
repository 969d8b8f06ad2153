// Which form of a routine runs on this processor. The choice is made here and nowhere else.
#pragma once

#include <span>

// The routines that come in more than one form.
enum class VariantRoutine { kWave, kPanelRotate };

// The forms: plain x86-64 code; AVX2 arithmetic with one scalar load per pixel; AVX2 with
// gathered loads. Every form of a routine writes the same bytes.
enum class RoutineVariant { kPlain, kVector, kGather };

// "plain", "vector" or "gather", for reports.
const char *VariantName(RoutineVariant variant);

// True when the processor has AVX2, which every form but the plain one needs.
bool HasAvx2();

// The forms `routine` comes in, plain first.
std::span<const RoutineVariant> VariantsOf(VariantRoutine routine);

// The form this processor runs `routine` in when none is forced.
RoutineVariant PreferredVariant(VariantRoutine routine);

// The form `routine` runs in now: the forced one if any, else the preferred one.
RoutineVariant VariantFor(VariantRoutine routine);

// Forces `routine` into `variant` until UnforceVariant, so tests and benchmarks can run each
// form. Returns false, changing nothing, when the routine has no such form or the processor
// cannot run it.
bool ForceVariant(VariantRoutine routine, RoutineVariant variant);
void UnforceVariant(VariantRoutine routine);
