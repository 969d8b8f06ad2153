#include "render/software/CpuFeatures.h"

#include <cpuid.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr RoutineVariant kWaveVariants[] = {RoutineVariant::kPlain, RoutineVariant::kGather};
constexpr RoutineVariant kPanelRotateVariants[] = {RoutineVariant::kPlain, RoutineVariant::kVector,
                                                   RoutineVariant::kGather};
constexpr int kRoutineCount = 2;
constexpr int kNotForced = -1;

std::atomic<int> forced[kRoutineCount] = {kNotForced, kNotForced};

std::atomic<int> &ForcedFor(VariantRoutine routine) { return forced[static_cast<int>(routine)]; }

bool CanRun(RoutineVariant variant) {
  switch (variant) {
  case RoutineVariant::kPlain:
    return true;
  case RoutineVariant::kVector:
  case RoutineVariant::kGather:
    return HasAvx2();
  }
  return false;
}

bool MadeByIntel() {
  unsigned int highest, ebx, ecx, edx;
  if (!__get_cpuid(0, &highest, &ebx, &ecx, &edx)) return false;
  char vendor[12];
  std::memcpy(vendor, &ebx, 4);
  std::memcpy(vendor + 4, &edx, 4);
  std::memcpy(vendor + 8, &ecx, 4);
  return std::memcmp(vendor, "GenuineIntel", 12) == 0;
}

// Intel's processors gather eight pixels faster than they load them one by one. AMD's do not: on
// frames streaming from memory, eight plain loads keep more cache misses in flight than a
// gather (on an EPYC of family 1Ah the gathering forms take 10 to 20 % longer, although in the
// cache they are a little faster, so timing a small trial would choose wrongly). Other makers'
// processors get the plain loads too.
bool GathersAreFast() {
  static const bool fast = MadeByIntel();
  return fast;
}

} // namespace

const char *VariantName(RoutineVariant variant) {
  switch (variant) {
  case RoutineVariant::kPlain:
    return "plain";
  case RoutineVariant::kVector:
    return "vector";
  case RoutineVariant::kGather:
    return "gather";
  }
  return "?";
}

bool HasAvx2() {
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  return hasAvx2;
}

std::span<const RoutineVariant> VariantsOf(VariantRoutine routine) {
  switch (routine) {
  case VariantRoutine::kWave:
    return kWaveVariants;
  case VariantRoutine::kPanelRotate:
    return kPanelRotateVariants;
  }
  return {};
}

RoutineVariant PreferredVariant(VariantRoutine routine) {
  if (!HasAvx2()) return RoutineVariant::kPlain;
  if (GathersAreFast()) return RoutineVariant::kGather;
  switch (routine) {
  case VariantRoutine::kWave:
    return RoutineVariant::kPlain; // its plain form already stores four pixels at once
  case VariantRoutine::kPanelRotate:
    return RoutineVariant::kVector;
  }
  return RoutineVariant::kPlain;
}

RoutineVariant VariantFor(VariantRoutine routine) {
  const int variant = ForcedFor(routine).load(std::memory_order_relaxed);
  return variant == kNotForced ? PreferredVariant(routine) : static_cast<RoutineVariant>(variant);
}

bool ForceVariant(VariantRoutine routine, RoutineVariant variant) {
  const std::span<const RoutineVariant> variants = VariantsOf(routine);
  if (!CanRun(variant) || std::find(variants.begin(), variants.end(), variant) == variants.end())
    return false;
  ForcedFor(routine).store(static_cast<int>(variant), std::memory_order_relaxed);
  return true;
}

void UnforceVariant(VariantRoutine routine) {
  ForcedFor(routine).store(kNotForced, std::memory_order_relaxed);
}
