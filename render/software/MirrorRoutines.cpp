// Mirrors: the n rows or columns at one edge show, reversed, the n rows or columns next to them.
#include "render/software/CopyStep.h"
#include "render/software/SoftwareRoutines.h"

namespace {

LONG BandDepth(LONG extent, double x) { return LONG(extent * x * 0.5); }

// One destination row of a mirrored band: the pixels come from another source row, while the
// bytes between rows (copied only when the strides match) still come from the row's own place.
void CopyBandRow(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                 LONG row, LONG sourceRow) {
  const std::size_t rowBytes = std::size_t(size.width) * 4;
  std::memcpy(dst.Row(row), src.Row(sourceRow), rowBytes);
  if (src.stride == dst.stride && row < size.height - 1)
    std::memcpy(dst.Row(row) + rowBytes, src.Row(row) + rowBytes, std::size_t(src.stride) - rowBytes);
}

// dst[j] = src[first - j] for j in [0, count): a reversed run of pixels.
void ReversePixels(const BYTE *srcLast, BYTE *dst, LONG count) {
  for (LONG j = 0; j < count; ++j)
    StorePixel(dst + 4 * std::ptrdiff_t(j), LoadPixel(srcLast - 4 * std::ptrdiff_t(j)));
}

} // namespace

void MirrorFromTop(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG n = BandDepth(size.height, x);
  const LONG h = size.height;
  CopyRows(src, dst, size, 0, h - n);
  for (LONG i = 0; i < n; ++i)
    CopyBandRow(src, dst, size, h - 1 - i, h - 2 * n + i);
}

void MirrorFromBottom(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG n = BandDepth(size.height, x);
  for (LONG k = 0; k < n; ++k)
    CopyBandRow(src, dst, size, k, 2 * n - 1 - k);
  CopyRows(src, dst, size, n, size.height);
}

void MirrorFromLeft(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG n = BandDepth(size.width, x);
  for (LONG r = 0; r < size.height; ++r) {
    // Copy and patch each row while it is in the cache.
    CopyRows(src, dst, size, r, r + 1);
    ReversePixels(src.Row(r) + 4 * std::ptrdiff_t(2 * n - 1), dst.Row(r), n);
  }
}

void MirrorFromRight(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x) {
  const LONG n = BandDepth(size.width, x);
  const LONG w = size.width;
  for (LONG r = 0; r < size.height; ++r) {
    CopyRows(src, dst, size, r, r + 1);
    ReversePixels(src.Row(r) + 4 * std::ptrdiff_t(w - n - 1), dst.Row(r) + 4 * std::ptrdiff_t(w - n), n);
  }
}
