// The processor under allocation failure: the working memory it takes with the non-throwing
// allocation functions is refused on purpose.
#include "render/software/SoftwareEffectProcessor.h"

#include "render/software/ReferenceProcessor.h"
#include "render/software/SoftwareFrames.h"

#include "support/FailingAllocator.h"

#include <gtest/gtest.h>

namespace {

// Lets `allowance` allocations succeed and fails the next, while it lives.
struct Limit {
  explicit Limit(int allowance) { FailAllocationAfter(allowance); }
  ~Limit() { StopFailingAllocations(); }
};

HRESULT Process(SoftwareEffectProcessor &processor, const TestPicture &src, TestPicture &dst) {
  BYTE *sources[] = {const_cast<BYTE *>(src.Pixels())};
  const LONG strides[] = {src.stride};
  return processor.ProcessFrame(sources, 0, strides, 0, dst.Pixels(), 0, 0, 0, 0, dst.stride);
}

TEST(SoftwareEffectProcessorOutOfMemory, WaveWritesNothingUntilItsMemoryCanBeHad) {
  std::mt19937 rng(29);
  TestPicture src(48, 36, 48 * 4);
  src.FillRandom(rng);
  TestPicture expected(48, 36, 48 * 4);
  expected.Fill(0x5A);
  ReferenceProcess(2001, 0.8, 48, 36, src.Pixels(), src.stride, expected.Pixels(), expected.stride);

  SoftwareEffectProcessor processor(2001);
  processor.SetSize(48, 36);
  const double x = 0.8;
  processor.SetEffectValue(&x, sizeof x);
  // Fail the first, then the second, ... allocation of a frame, tables included; every failed
  // frame reports it and leaves the destination alone, and the processor recovers afterwards.
  bool succeeded = false;
  for (int allowance = 0; allowance < 10 && !succeeded; ++allowance) {
    TestPicture dst(48, 36, 48 * 4);
    dst.Fill(0x5A);
    HRESULT hr;
    {
      Limit limit(allowance);
      hr = Process(processor, src, dst);
    }
    if (hr == E_OUTOFMEMORY) {
      for (BYTE b : dst.memory) ASSERT_EQ(b, 0x5A) << "allowance " << allowance;
      continue;
    }
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(dst.memory, expected.memory);
    succeeded = true;
  }
  EXPECT_TRUE(succeeded);

  TestPicture dst(48, 36, 48 * 4);
  dst.Fill(0x5A);
  ASSERT_EQ(Process(processor, src, dst), S_OK);
  EXPECT_EQ(dst.memory, expected.memory);
}

TEST(SoftwareEffectProcessorOutOfMemory, PanelRotateStillWritesTheWholeFrame) {
  std::mt19937 rng(31);
  TestPicture src(53, 29, 53 * 4 + 8);
  src.FillRandom(rng);
  for (double x : {0.1, 0.3, 0.75}) {
    TestPicture expected(53, 29, 53 * 4);
    ReferenceProcess(2010, x, 53, 29, src.Pixels(), src.stride, expected.Pixels(), expected.stride);
    SoftwareEffectProcessor processor(2010);
    processor.SetSize(53, 29);
    processor.SetEffectValue(&x, sizeof x);
    TestPicture dst(53, 29, 53 * 4);
    Limit limit(0);
    ASSERT_EQ(Process(processor, src, dst), S_OK);
    EXPECT_EQ(dst.memory, expected.memory) << x;
  }
}

} // namespace
