#include "render/software/CpuFeatures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr VariantRoutine kRoutines[] = {VariantRoutine::kWave, VariantRoutine::kPanelRotate};

bool Has(VariantRoutine routine, RoutineVariant variant) {
  const auto variants = VariantsOf(routine);
  return std::find(variants.begin(), variants.end(), variant) != variants.end();
}

TEST(CpuFeatures, ThePreferredFormIsOneTheRoutineHasAndTheProcessorRuns) {
  for (VariantRoutine routine : kRoutines) {
    const RoutineVariant preferred = PreferredVariant(routine);
    EXPECT_TRUE(Has(routine, preferred)) << VariantName(preferred);
    EXPECT_TRUE(Has(routine, RoutineVariant::kPlain));
    if (!HasAvx2()) {
      EXPECT_EQ(preferred, RoutineVariant::kPlain);
    }
    EXPECT_EQ(VariantFor(routine), preferred);
  }
}

TEST(CpuFeatures, ForcingTakesOnlyFormsThatCanRunAndLastsUntilLifted) {
  EXPECT_FALSE(
      ForceVariant(VariantRoutine::kWave, RoutineVariant::kVector)); // not a form of the wave
  EXPECT_EQ(VariantFor(VariantRoutine::kWave), PreferredVariant(VariantRoutine::kWave));

  ASSERT_TRUE(ForceVariant(VariantRoutine::kPanelRotate, RoutineVariant::kPlain));
  EXPECT_EQ(VariantFor(VariantRoutine::kPanelRotate), RoutineVariant::kPlain);
  EXPECT_EQ(VariantFor(VariantRoutine::kWave),
            PreferredVariant(VariantRoutine::kWave)); // each routine its own

  EXPECT_EQ(ForceVariant(VariantRoutine::kPanelRotate, RoutineVariant::kGather), HasAvx2());
  EXPECT_EQ(VariantFor(VariantRoutine::kPanelRotate),
            HasAvx2() ? RoutineVariant::kGather : RoutineVariant::kPlain);

  UnforceVariant(VariantRoutine::kPanelRotate);
  EXPECT_EQ(VariantFor(VariantRoutine::kPanelRotate),
            PreferredVariant(VariantRoutine::kPanelRotate));
}

} // namespace
