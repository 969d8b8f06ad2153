#include "render/software/CpuFeatures.h"

#include <atomic>

namespace {

std::atomic<bool> vectorPathsEnabled{true};

} // namespace

bool UseAvx2() {
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  return hasAvx2 && vectorPathsEnabled.load(std::memory_order_relaxed);
}

void SetVectorPathsEnabled(bool enabled) { vectorPathsEnabled.store(enabled, std::memory_order_relaxed); }
