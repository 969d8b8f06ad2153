#include "render/software/RotateFootprint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

namespace {

constexpr LONG kWidth = 301, kHeight = 203, kStride = 4 * kWidth + 20;

// A picture's geometry for one angle, with the column products the routine forms.
struct TurnedPicture {
  std::vector<BYTE> pixels = std::vector<BYTE>(std::size_t(kHeight) * kStride);
  std::vector<double> columns;
  RotateFrame f;

  explicit TurnedPicture(double theta) : columns(2 * kWidth) {
    const float c = float(std::cos(theta)), s = float(std::sin(theta));
    for (LONG i = 0; i < kWidth; ++i) {
      columns[std::size_t(i)] = (i - kWidth / 2) * double(c);
      columns[std::size_t(kWidth + i)] = -(i - kWidth / 2) * double(s);
    }
    f = RotateFrame{kWidth, kHeight, kWidth / 2,     kHeight / 2,
                    c,      s,       columns.data(), columns.data() + kWidth};
  }
  SourcePicture Source() const { return {pixels.data(), kStride}; }
};

std::uintptr_t LineOf(const BYTE *p) { return std::uintptr_t(p) & ~std::uintptr_t(63); }

TEST(RotateFootprint, ListsEveryLineABlockReadsAndNothingOutsideThePicture) {
  const double angles[] = {0.0, 0.05, 0.4, 1.5707963, 1.6, 2.6, 3.1415927, 3.2, 4.7, 5.9};
  struct Block {
    LONG r0, r1, i0, i1;
  };
  const Block blocks[] = {{0, 64, 0, 256},
                          {64, 128, 256, kWidth},
                          {128, kHeight, 40, 296},
                          {190, kHeight, 0, kWidth},
                          {100, 101, 150, 151}};
  for (double theta : angles) {
    const TurnedPicture picture(theta);
    const SourcePicture src = picture.Source();
    const std::uintptr_t lowest = LineOf(src.pixels);
    const std::uintptr_t highest = LineOf(src.Row(kHeight - 1) + 4 * kWidth - 1);
    for (const Block &b : blocks) {
      RotateFootprint footprint;
      footprint.Start(picture.f, src, b.r0, b.r1, b.i0, b.i1);
      std::set<std::uintptr_t> listed;
      std::ptrdiff_t handedOut = 0;
      for (std::uintptr_t line = footprint.NextLine(); line != 0;
           line = footprint.NextLine(), ++handedOut) {
        ASSERT_GE(line, lowest) << theta;
        ASSERT_LE(line, highest) << theta;
        listed.insert(line);
      }
      EXPECT_EQ(handedOut, footprint.Lines()) << theta;
      for (LONG r = b.r0; r < b.r1; ++r) {
        const LONG dy = r - picture.f.cy;
        for (LONG i = b.i0; i < b.i1; ++i) {
          const LONG u = picture.f.SourceColumn(i, dy * double(picture.f.sinTheta));
          const LONG v = picture.f.SourceRow(i, dy * double(picture.f.cosTheta));
          if (u < 0 || u >= kWidth || v < 0 || v >= kHeight) continue;
          const BYTE *p = src.Row(v) + 4 * u;
          ASSERT_TRUE(listed.count(LineOf(p)) && listed.count(LineOf(p + 3)))
              << "angle " << theta << ", pixel (" << r << ", " << i << ") reads (" << v << ", " << u
              << ")";
        }
      }
    }
  }
}

TEST(RotateFootprint, FetchHandsOutTheListOnceAndAnEmptyBlockListsNothing) {
  const TurnedPicture picture(0.7);
  RotateFootprint footprint;
  footprint.Start(picture.f, picture.Source(), 10, 40, 20, 120);
  ASSERT_GT(footprint.Lines(), 0);
  footprint.Fetch(footprint.Lines() - 1);
  EXPECT_NE(footprint.NextLine(), 0u);
  EXPECT_EQ(footprint.NextLine(), 0u);
  footprint.Fetch(5); // past the end: nothing happens

  footprint.Start(picture.f, picture.Source(), 40, 40, 20, 120);
  EXPECT_EQ(footprint.Lines(), 0);
  EXPECT_EQ(footprint.NextLine(), 0u);
}

} // namespace
