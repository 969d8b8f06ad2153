// Colour shifts: after the copy, single colour bytes are moved by n pixels, so the red (and in
// the second half of the value range the green or blue) layer is seen displaced.
#include "render/software/CopyStep.h"
#include "render/software/SoftwareRoutines.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::uint32_t kByte0 = 0x000000FFu;
constexpr std::uint32_t kByte1 = 0x0000FF00u;
constexpr std::uint32_t kByte2 = 0x00FF0000u;

// The shift rises from 0 to a quarter of `reach` and back, twice over the value range; the
// ties at 0.25, 0.5 and 0.75 take the lower branch.
LONG ShiftDistance(double reach, double x) {
  double s;
  if (x <= 0.25)
    s = x;
  else if (x <= 0.5)
    s = 0.5 - x;
  else if (x <= 0.75)
    s = x - 0.5;
  else
    s = 1.0 - x;
  return LONG(reach * s);
}

bool FirstHalf(double x) { return x <= 0.5; }

// dst[j] takes the bytes selected by `mask` from from[j], for j in [0, count).
void MergeBytes(BYTE *dst, const BYTE *from, LONG count, std::uint32_t mask) {
  for (LONG j = 0; j < count; ++j) {
    const std::ptrdiff_t o = 4 * std::ptrdiff_t(j);
    StorePixel(dst + o, (LoadPixel(dst + o) & ~mask) | (LoadPixel(from + o) & mask));
  }
}

} // namespace

void ColorShiftHorizontal(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                          double x) {
  const LONG w = size.width;
  const LONG n = ShiftDistance(w * 0.25, x);
  const LONG count = w - n - 1; // the loops stop one pixel short of the room the shift leaves
  const std::ptrdiff_t shift = 4 * std::ptrdiff_t(n);
  for (LONG r = 0; r < size.height; ++r) {
    CopyRows(src, dst, size, r, r + 1);
    if (count <= 0) continue;
    if (FirstHalf(x)) {
      MergeBytes(dst.Row(r) + shift, src.Row(r), count, kByte2);
    } else {
      MergeBytes(dst.Row(r), src.Row(r) + 4 * std::ptrdiff_t(n / 2), count, kByte1);
      MergeBytes(dst.Row(r), src.Row(r) + shift, count, kByte2);
    }
  }
}

void ColorShiftVertical(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                        double x) {
  const LONG h = size.height;
  const LONG n = ShiftDistance(h * 0.25, x);
  const bool first = FirstHalf(x);
  for (LONG r = 0; r < h; ++r) {
    CopyRows(src, dst, size, r, r + 1);
    // Rows n..h-2 receive red from n rows below; rows 0..h-n-2 receive blue from n rows above.
    if (first && r >= n && r <= h - 2)
      MergeBytes(dst.Row(r), src.Row(r - n), size.width, kByte2);
    else if (!first && r <= h - n - 2)
      MergeBytes(dst.Row(r), src.Row(r + n), size.width, kByte0);
  }
}

void ColorShiftDiagonal(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                        double x) {
  const LONG w = size.width;
  const LONG h = size.height;
  // The diagonal's square is formed in 64 bits: 32 bits overflow for very wide pictures.
  const double diagonal = std::sqrt(double(std::int64_t(w) * w + std::int64_t(h) * h));
  const LONG n = ShiftDistance(diagonal * 0.25, x);
  const LONG count = w - n - 1;
  const bool first = FirstHalf(x);
  const std::ptrdiff_t shift = 4 * std::ptrdiff_t(n);
  for (LONG r = 0; r < h; ++r) {
    CopyRows(src, dst, size, r, r + 1);
    if (count <= 0) continue;
    if (first && r >= n && r <= h - 2)
      MergeBytes(dst.Row(r) + shift, src.Row(r - n), count, kByte2);
    else if (!first && r <= h - n - 2)
      MergeBytes(dst.Row(r), src.Row(r + n) + shift, count, kByte0 | kByte1);
  }
}
