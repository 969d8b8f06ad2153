#include "render/software/SoftwareEffectProcessor.h"

#include "render/software/CpuFeatures.h"

#include "render/software/ReferenceProcessor.h"
#include "render/software/SoftwareFrames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr LONG kFirstEffect = 2001;
constexpr LONG kLastEffect = 2010;

HRESULT RunEffect(LONG id, double x, const TestPicture &src, TestPicture &dst) {
  SoftwareEffectProcessor processor(id);
  processor.SetSize(src.width, src.height);
  processor.SetEffectValue(&x, sizeof x);
  BYTE *sources[] = {const_cast<BYTE *>(src.Pixels())};
  const LONG strides[] = {src.stride};
  return processor.ProcessFrame(sources, 0, strides, 0, dst.Pixels(), 0, 0, src.width, src.height,
                                dst.stride);
}

// Runs the processor and the reference on the same pictures and expects identical memory,
// the bytes between rows and the guard zone included.
void ExpectMatchesReference(LONG id, double x, const TestPicture &src, const TestPicture &dstStart,
                            int line) {
  TestPicture actual = dstStart;
  TestPicture expected = dstStart;
  ASSERT_EQ(RunEffect(id, x, src, actual), S_OK) << "line " << line;
  ReferenceProcess(id, x, src.width, src.height, src.Pixels(), src.stride, expected.Pixels(),
                   expected.stride);
  if (actual.memory == expected.memory) return;
  for (std::size_t i = 0; i < actual.memory.size(); ++i)
    if (actual.memory[i] != expected.memory[i]) {
      ADD_FAILURE() << "line " << line << ": effect " << id << " x=" << x << " " << src.width << "x"
                    << src.height << " strides " << src.stride << "/" << dstStart.stride
                    << ": first difference at byte " << i << " (row "
                    << i / std::size_t(dstStart.stride) << ", byte "
                    << i % std::size_t(dstStart.stride) << " of it): " << int(actual.memory[i])
                    << " instead of " << int(expected.memory[i]);
      return;
    }
}

// --- Agreement with the reference model -----------------------------------------------------

TEST(SoftwareEffectProcessorMatchesReference, RandomSizesStridesAndValues) {
  std::mt19937 rng(20240611);
  const double ties[] = {0.0, 0.25, 0.5, 0.75, 1.0, 0.125, 0.375, 0.625, 0.875};
  for (int trial = 0; trial < 300; ++trial) {
    const LONG w = 1 + LONG(rng() % (trial % 3 == 0 ? 7 : 90));
    const LONG h = 1 + LONG(rng() % (trial % 5 == 0 ? 7 : 90));
    const LONG srcStride = 4 * w + 4 * LONG(rng() % 3) + LONG(rng() % 4) * (trial % 2);
    const LONG dstStride = trial % 4 == 0 ? srcStride : 4 * w + LONG(rng() % 13);
    TestPicture src(w, h, srcStride);
    TestPicture dst(w, h, dstStride);
    src.FillRandom(rng);
    dst.FillRandom(rng);
    for (LONG id = kFirstEffect; id <= kLastEffect; ++id) {
      const double x = rng() % 2 ? ties[rng() % std::size(ties)]
                                 : std::uniform_real_distribution<double>(0, 1)(rng);
      ExpectMatchesReference(id, x, src, dst, __LINE__);
    }
  }
}

TEST(SoftwareEffectProcessorMatchesReference, EveryEffectOnAFullHdFrameAcrossTheValueRange) {
  std::mt19937 rng(7);
  TestPicture src(1920, 1080, 1920 * 4);
  TestPicture dst(1920, 1080, 1920 * 4 + 16);
  src.FillRandom(rng);
  dst.FillRandom(rng);
  for (LONG id = kFirstEffect; id <= kLastEffect; ++id)
    for (double x : {0.1, 0.3, 0.75, 0.9, 1.0}) ExpectMatchesReference(id, x, src, dst, __LINE__);
}

TEST(SoftwareEffectProcessorMatchesReference, PanelRotateAtManyAnglesAndOddCentres) {
  std::mt19937 rng(3);
  for (LONG w : {1, 2, 3, 17, 64, 301})
    for (LONG h : {1, 2, 5, 33, 128}) {
      TestPicture src(w, h, 4 * w + 8);
      TestPicture dst(w, h, 4 * w);
      src.FillRandom(rng);
      dst.FillRandom(rng);
      for (int step = 0; step <= 64; ++step)
        ExpectMatchesReference(2010, step / 64.0, src, dst, __LINE__);
    }
}

// --- Every form of the routines that come in several ------------------------------------------

struct Form {
  VariantRoutine routine;
  LONG effectId;
  RoutineVariant variant;
};

std::vector<Form> EveryForm() {
  std::vector<Form> forms;
  for (const auto &[routine, effectId] : {std::pair{VariantRoutine::kWave, LONG(2001)},
                                          std::pair{VariantRoutine::kPanelRotate, LONG(2010)}})
    for (RoutineVariant variant : VariantsOf(routine))
      forms.push_back({routine, effectId, variant});
  return forms;
}

void PrintTo(const Form &form, std::ostream *out) {
  *out << "effect " << form.effectId << ", " << VariantName(form.variant) << " form";
}

class SoftwareEffectProcessorForm : public ::testing::TestWithParam<Form> {
protected:
  void SetUp() override {
    if (!ForceVariant(GetParam().routine, GetParam().variant))
      GTEST_SKIP() << "this processor cannot run the " << VariantName(GetParam().variant)
                   << " form";
  }
  void TearDown() override { UnforceVariant(GetParam().routine); }
};

TEST_P(SoftwareEffectProcessorForm, MatchesTheReferenceOnOddSizesAndStrides) {
  std::mt19937 rng(41);
  const double values[] = {0.0, 0.25, 0.5, 0.75, 1.0, 0.0625};
  const struct {
    LONG w, h, sourcePadding, destinationPadding;
  } shapes[] = {
      {1, 1, 0, 0},
      {1, 1, 12, 4}, // one pixel
      {1, 29, 4, 0},
      {29, 1, 0, 8}, // one column, one row
      {7, 5, 3, 1},
      {130, 67, 5, 0}, // strides that are no multiple of 4
      {33, 65, 0, 0},
      {257, 131, 8, 4}, // wave rows whose sources all lie inside; rotate blocks cut short both ways
      {1100, 70, 4, 0}, // three wave strips, the last partial; five rotate block columns
  };
  for (const auto &shape : shapes) {
    TestPicture src(shape.w, shape.h, 4 * shape.w + shape.sourcePadding);
    TestPicture dst(shape.w, shape.h, 4 * shape.w + shape.destinationPadding);
    src.FillRandom(rng);
    dst.FillRandom(rng);
    for (double x : values) ExpectMatchesReference(GetParam().effectId, x, src, dst, __LINE__);
    for (int k = 0; k < 3; ++k)
      ExpectMatchesReference(GetParam().effectId, std::uniform_real_distribution<double>(0, 1)(rng),
                             src, dst, __LINE__);
  }
}

TEST_P(SoftwareEffectProcessorForm, MatchesTheReferenceOnAFullHdFrame) {
  std::mt19937 rng(43);
  TestPicture src(1920, 1080, 1920 * 4);
  TestPicture dst(1920, 1080, 1920 * 4);
  src.FillRandom(rng);
  dst.FillRandom(rng);
  for (double x : {0.1, 0.75}) ExpectMatchesReference(GetParam().effectId, x, src, dst, __LINE__);
}

INSTANTIATE_TEST_SUITE_P(EveryForm, SoftwareEffectProcessorForm, ::testing::ValuesIn(EveryForm()),
                         [](const ::testing::TestParamInfo<Form> &info) {
                           return std::string(info.param.effectId == 2001 ? "Wave_"
                                                                          : "PanelRotate_") +
                                  VariantName(info.param.variant);
                         });

// --- Behaviour a viewer sees --------------------------------------------------------------

TEST(SoftwareEffectProcessorBehaviour, EveryEffectAtZeroReproducesItsInput) {
  std::mt19937 rng(11);
  TestPicture src(37, 23, 37 * 4 + 12);
  src.FillRandom(rng);
  for (LONG id = kFirstEffect; id <= kLastEffect; ++id) {
    TestPicture dst(37, 23, 37 * 4 + 12);
    dst.Fill(0xA5);
    ASSERT_EQ(RunEffect(id, 0.0, src, dst), S_OK);
    for (LONG r = 0; r < src.height; ++r)
      for (LONG c = 0; c < src.width; ++c) {
        const std::uint32_t expected =
            id == 2002 ? (src.Pixel(r, c) & 0x00FFFFFFu) | 0xA5000000u : src.Pixel(r, c);
        ASSERT_EQ(dst.Pixel(r, c), expected) << "effect " << id << " at (" << r << ", " << c << ")";
      }
  }
}

TEST(SoftwareEffectProcessorBehaviour, MirrorsShowTheNeighbouringBandReversed) {
  TestPicture src(640, 480, 640 * 4);
  src.FillCoordinates();
  TestPicture dst(640, 480, 640 * 4);

  ASSERT_EQ(RunEffect(2004, 1.0, src, dst), S_OK); // band of 240 rows
  for (LONG r = 0; r < 240; ++r) ASSERT_EQ(dst.Pixel(r, 5), src.Pixel(479 - r, 5)) << r;
  EXPECT_EQ(dst.Pixel(240, 5), src.Pixel(240, 5));

  ASSERT_EQ(RunEffect(2003, 0.5, src, dst), S_OK); // band of 120 rows at the end of memory
  for (LONG i = 0; i < 120; ++i) ASSERT_EQ(dst.Pixel(479 - i, 7), src.Pixel(480 - 240 + i, 7)) << i;
  EXPECT_EQ(dst.Pixel(359, 7), src.Pixel(359, 7));

  ASSERT_EQ(RunEffect(2005, 0.5, src, dst), S_OK); // band of 160 columns
  for (LONG c = 0; c < 160; ++c) ASSERT_EQ(dst.Pixel(9, c), src.Pixel(9, 319 - c)) << c;
  EXPECT_EQ(dst.Pixel(9, 160), src.Pixel(9, 160));

  ASSERT_EQ(RunEffect(2006, 1.0, src, dst), S_OK); // band of 320 columns
  for (LONG c = 320; c < 640; ++c) ASSERT_EQ(dst.Pixel(9, c), src.Pixel(9, 639 - c)) << c;
}

TEST(SoftwareEffectProcessorBehaviour, ColourShiftDistancesRiseAndFallWithTiesGoingLow) {
  TestPicture src(640, 480, 640 * 4);
  src.FillCoordinates();
  for (LONG c = 0; c < 640; ++c)
    src.SetPixel(0, c, std::uint32_t(c % 256) << 16); // red names its column in row 0
  TestPicture dst(640, 480, 640 * 4);

  // Horizontal at 0.25: red moves 40 columns right over columns 40..638; 639 keeps its own.
  ASSERT_EQ(RunEffect(2007, 0.25, src, dst), S_OK);
  for (LONG c = 40; c <= 638; ++c) ASSERT_EQ(dst.At(0, c)[2], BYTE((c - 40) % 256)) << c;
  EXPECT_EQ(dst.At(0, 639)[2], BYTE(639 % 256));
  EXPECT_EQ(dst.At(0, 39)[2], BYTE(39));

  // Diagonal reach is 200 pixels: n = 50 at 0.25 and at 0.75, the second half moving the other way.
  for (LONG r = 0; r < 480; ++r)
    for (LONG c = 0; c < 640; ++c)
      src.SetPixel(r, c,
                   std::uint32_t(c % 256) | std::uint32_t(r % 256) << 8 |
                       std::uint32_t((r + c) % 256) << 16);
  ASSERT_EQ(RunEffect(2009, 0.25, src, dst), S_OK);
  EXPECT_EQ(dst.At(100, 100)[2], BYTE(100)); // from (50, 50)
  ASSERT_EQ(RunEffect(2009, 0.75, src, dst), S_OK);
  EXPECT_EQ(dst.At(10, 10)[0], BYTE(60)); // blue and green from (60, 60)
  EXPECT_EQ(dst.At(10, 10)[1], BYTE(60));
  EXPECT_EQ(dst.At(10, 10)[2], BYTE(20));          // red stays
  ASSERT_EQ(RunEffect(2009, 0.5, src, dst), S_OK); // the tie at 0.5 gives distance 0
  EXPECT_EQ(dst.memory, TestPicture(src).memory);
}

TEST(SoftwareEffectProcessorBehaviour, ReplicateTilesAreTheDecimatedSource) {
  std::mt19937 rng(5);
  TestPicture src(640, 480, 640 * 4);
  src.FillRandom(rng);
  TestPicture dst(640, 480, 640 * 4);
  dst.Fill(0x3C);
  ASSERT_EQ(RunEffect(2002, 1.0, src, dst), S_OK); // 8 x 8 cells of 80 x 60
  for (LONG tr = 0; tr < 8; ++tr)
    for (LONG tc = 0; tc < 8; ++tc)
      for (LONG r = 0; r < 60; r += 7)
        for (LONG c = 0; c < 80; c += 3)
          ASSERT_EQ(dst.Pixel(tr * 60 + r, tc * 80 + c),
                    (src.Pixel(8 * r, 8 * c) & 0xFFFFFFu) | 0x3C000000u);

  // Too few rows for eight cells: nothing is written.
  TestPicture low(640, 5, 640 * 4);
  low.FillRandom(rng);
  TestPicture untouched(640, 5, 640 * 4);
  untouched.Fill(0x77);
  ASSERT_EQ(RunEffect(2002, 1.0, low, untouched), S_OK);
  for (BYTE b : untouched.memory) ASSERT_EQ(b, 0x77);
}

// A rotated pixel must come from the turned position, give or take the one pixel that the
// truncation of nearly whole numbers can cost, or be 0 where that lies outside the picture.
void ExpectTurned(const TestPicture &src, const TestPicture &dst, int quarterTurns) {
  const LONG cx = src.width / 2, cy = src.height / 2;
  for (LONG r = 0; r < dst.height; ++r)
    for (LONG i = 0; i < dst.width; ++i) {
      const LONG dx = i - cx, dy = r - cy;
      LONG u, v;
      if (quarterTurns == 1) {
        u = cx + dy;
        v = cy - dx;
      } else {
        u = cx - dx;
        v = cy - dy;
      }
      const std::uint32_t p = dst.Pixel(r, i);
      const bool inside = u >= -1 && u <= src.width && v >= -1 && v <= src.height;
      if (p == 0 && !(u >= 1 && u < src.width - 1 && v >= 1 && v < src.height - 1)) continue;
      ASSERT_TRUE(inside) << r << "," << i;
      const LONG gotU = LONG(p & 0xFFFF), gotV = LONG(p >> 16);
      ASSERT_LE(std::abs(gotU - u), 1) << r << "," << i;
      ASSERT_LE(std::abs(gotV - v), 1) << r << "," << i;
    }
}

TEST(SoftwareEffectProcessorBehaviour, PanelRotateTurnsThePicture) {
  TestPicture src(120, 80, 120 * 4);
  src.FillCoordinates();
  src.SetPixel(0, 0, 0x00010001u); // keep 0 meaning "uncovered"
  TestPicture dst(120, 80, 120 * 4);
  ASSERT_EQ(RunEffect(2010, 0.25, src, dst), S_OK);
  ExpectTurned(src, dst, 2);
  ASSERT_EQ(RunEffect(2010, 0.125, src, dst), S_OK);
  ExpectTurned(src, dst, 1);
  // A quarter turn of a wide picture leaves the far columns uncovered.
  EXPECT_EQ(dst.Pixel(40, 0), 0u);
  EXPECT_EQ(dst.Pixel(40, 119), 0u);
}

TEST(SoftwareEffectProcessorBehaviour, WaveAtFullValueStillMovesThePicture) {
  std::mt19937 rng(9);
  TestPicture src(200, 150, 200 * 4);
  src.FillRandom(rng);
  TestPicture dst(200, 150, 200 * 4);
  ASSERT_EQ(RunEffect(2001, 1.0, src, dst), S_OK);
  EXPECT_NE(dst.memory, src.memory);
}

TEST(SoftwareEffectProcessorBehaviour, BytesBeyondTheRowAreLeftAlone) {
  std::mt19937 rng(13);
  TestPicture src(50, 40, 50 * 4);
  src.FillRandom(rng);
  for (LONG id = kFirstEffect; id <= kLastEffect; ++id) {
    TestPicture dst(50, 40, 50 * 4 + 24);
    dst.Fill(0xEE);
    ASSERT_EQ(RunEffect(id, 0.6, src, dst), S_OK);
    for (LONG r = 0; r < 40; ++r)
      for (LONG b = 200; b < dst.stride; ++b)
        ASSERT_EQ(dst.At(r, 0)[b], 0xEE) << "effect " << id << " row " << r;
    for (std::size_t g = 0; g < TestPicture::kGuard; ++g)
      ASSERT_EQ(dst.memory[dst.memory.size() - 1 - g], 0xEE) << "effect " << id;
  }
}

TEST(SoftwareEffectProcessorBehaviour, EqualStridesNeverCopyPastTheLastRowsPixels) {
  std::mt19937 rng(17);
  TestPicture src(30, 20, 30 * 4 + 20);
  src.FillRandom(rng);
  for (LONG id = 2003; id <= 2009; ++id) {
    // The destination ends right after the last row's pixels.
    std::vector<BYTE> dst(std::size_t(19) * std::size_t(src.stride) + 30 * 4 + 8, 0x55);
    SoftwareEffectProcessor processor(id);
    processor.SetSize(30, 20);
    const double x = 0.3;
    processor.SetEffectValue(&x, sizeof x);
    BYTE *sources[] = {src.Pixels()};
    const LONG strides[] = {src.stride};
    ASSERT_EQ(processor.ProcessFrame(sources, 0, strides, 0, dst.data(), 0, 0, 0, 0, src.stride),
              S_OK);
    for (std::size_t g = dst.size() - 8; g < dst.size(); ++g)
      ASSERT_EQ(dst[g], 0x55) << "effect " << id;
  }
}

// --- Effect value ---------------------------------------------------------------------------

TEST(SoftwareEffectProcessorValue, IsClampedToTheUnitRangeWithNaNAsZero) {
  SoftwareEffectProcessor processor(2003);
  const double cases[][2] = {{0.4, 0.4},
                             {-0.5, 0.0},
                             {1.5, 1.0},
                             {std::numeric_limits<double>::infinity(), 1.0},
                             {-std::numeric_limits<double>::infinity(), 0.0},
                             {std::numeric_limits<double>::quiet_NaN(), 0.0}};
  for (const auto &c : cases) {
    ASSERT_EQ(processor.SetEffectValue(&c[0], sizeof(double)), S_OK);
    EXPECT_EQ(processor.EffectValue(), c[1]) << c[0];
  }
  EXPECT_EQ(processor.SetEffectValue(nullptr, 8), E_POINTER);
  EXPECT_EQ(processor.EffectValue(), 0.0);
}

TEST(SoftwareEffectProcessorValue, OutOfRangeValuesStayInsideThePictures) {
  std::mt19937 rng(19);
  TestPicture src(40, 30, 160);
  src.FillRandom(rng);
  for (LONG id = kFirstEffect; id <= kLastEffect; ++id)
    for (double x : {-3.0, 7.0}) {
      TestPicture dst(40, 30, 160);
      TestPicture expected(40, 30, 160);
      ASSERT_EQ(RunEffect(id, x, src, dst), S_OK);
      ReferenceProcess(id, x < 0 ? 0.0 : 1.0, 40, 30, src.Pixels(), 160, expected.Pixels(), 160);
      EXPECT_EQ(dst.memory, expected.memory) << id;
    }
}

// --- Bad arguments ----------------------------------------------------------------------------

class SoftwareEffectProcessorArguments : public ::testing::TestWithParam<LONG> {
protected:
  TestPicture src{16, 8, 64};
  TestPicture dst{16, 8, 64};
  void SetUp() override {
    src.Fill(0x12);
    dst.Fill(0x34);
  }
  void ExpectUntouched() {
    for (BYTE b : dst.memory) ASSERT_EQ(b, 0x34);
  }
};

TEST_P(SoftwareEffectProcessorArguments, NullPointersGiveEPointerAndWriteNothing) {
  SoftwareEffectProcessor processor(GetParam());
  processor.SetSize(16, 8);
  BYTE *sources[] = {src.Pixels()};
  BYTE *noSource[] = {nullptr};
  const LONG strides[] = {64};
  EXPECT_EQ(processor.ProcessFrame(nullptr, 0, strides, 0, dst.Pixels(), 0, 0, 0, 0, 64),
            E_POINTER);
  EXPECT_EQ(processor.ProcessFrame(noSource, 0, strides, 0, dst.Pixels(), 0, 0, 0, 0, 64),
            E_POINTER);
  EXPECT_EQ(processor.ProcessFrame(sources, 0, nullptr, 0, dst.Pixels(), 0, 0, 0, 0, 64),
            E_POINTER);
  EXPECT_EQ(processor.ProcessFrame(sources, 0, strides, 0, nullptr, 0, 0, 0, 0, 64), E_POINTER);
  ExpectUntouched();
}

TEST_P(SoftwareEffectProcessorArguments, BadSizesAndStridesGiveEInvalidArgAndWriteNothing) {
  SoftwareEffectProcessor processor(GetParam());
  BYTE *sources[] = {src.Pixels()};
  const LONG strides[] = {64};
  const LONG shortStride[] = {63};
  const LONG negativeStride[] = {-64};
  const struct {
    LONG w, h;
    const LONG *srcStride;
    LONG dstStride;
  } cases[] = {{0, 8, strides, 64},         {16, 0, strides, 64},     {-1, 8, strides, 64},
               {16, -5, strides, 64},       {16, 8, shortStride, 64}, {16, 8, strides, 63},
               {16, 8, negativeStride, 64}, {16, 8, strides, -64},    {0x40000000, 1, strides, 64}};
  for (const auto &c : cases) {
    processor.SetSize(c.w, c.h);
    EXPECT_EQ(
        processor.ProcessFrame(sources, 0, c.srcStride, 0, dst.Pixels(), 0, 0, 0, 0, c.dstStride),
        E_INVALIDARG)
        << c.w << "x" << c.h << " strides " << c.srcStride[0] << "/" << c.dstStride;
  }
  ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(EveryEffect, SoftwareEffectProcessorArguments,
                         ::testing::Range(kFirstEffect, kLastEffect + 1));

TEST(SoftwareEffectProcessorIdentifiers, UnknownIdentifiersSucceedAndWriteNothing) {
  TestPicture src(16, 8, 64);
  src.Fill(0x12);
  for (LONG id : {0, 2000, 2011, -2005}) {
    TestPicture dst(16, 8, 64);
    dst.Fill(0x34);
    EXPECT_EQ(RunEffect(id, 0.5, src, dst), S_OK) << id;
    for (BYTE b : dst.memory) ASSERT_EQ(b, 0x34) << id;
  }
}

} // namespace
