// Mirrors: the n rows or columns at one edge show, reversed, the n rows or columns next to them.
#include "render/software/CopyStep.h"
#include "render/software/SoftwareRoutines.h"

#include <emmintrin.h>

namespace {

LONG BandDepth(LONG extent, double x) { return LONG(extent * x * 0.5); }

// One destination row of a mirrored band: the pixels come from another source row, while the
// bytes between rows (copied only when the strides match) still come from the row's own place.
void CopyBandRow(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                 LONG row, LONG sourceRow) {
  const std::size_t rowBytes = std::size_t(size.width) * 4;
  std::memcpy(dst.Row(row), src.Row(sourceRow), rowBytes);
  if (src.stride == dst.stride && row < size.height - 1)
    std::memcpy(dst.Row(row) + rowBytes, src.Row(row) + rowBytes,
                std::size_t(src.stride) - rowBytes);
}

// dst[j] = srcLast[-j] for j in [0, count): a reversed run of pixels, four at a time with the
// SSE2 every x86-64 processor has.
void ReversePixels(const BYTE *srcLast, BYTE *dst, LONG count) {
  LONG j = 0;
  for (; j + 4 <= count; j += 4) {
    const __m128i v =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(srcLast - 4 * std::ptrdiff_t(j + 3)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + 4 * std::ptrdiff_t(j)),
                     _mm_shuffle_epi32(v, 0x1B));
  }
  for (; j < count; ++j)
    StorePixel(dst + 4 * std::ptrdiff_t(j), LoadPixel(srcLast - 4 * std::ptrdiff_t(j)));
}

// One row of a left or right mirror: the pixels outside the band (and, with equal strides, the
// bytes up to the next row) are copied, the band is filled reversed, each written once.
void MirrorRow(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, LONG r,
               LONG bandStart, LONG n, LONG sourceLast) {
  const LONG w = size.width;
  const BYTE *from = src.Row(r);
  BYTE *to = dst.Row(r);
  std::memcpy(to, from, 4 * std::size_t(bandStart));
  const LONG afterBand = bandStart + n;
  std::size_t tail = 4 * std::size_t(w - afterBand);
  if (src.stride == dst.stride && r < size.height - 1)
    tail += std::size_t(src.stride) - 4 * std::size_t(w);
  std::memcpy(to + 4 * std::ptrdiff_t(afterBand), from + 4 * std::ptrdiff_t(afterBand), tail);
  ReversePixels(from + 4 * std::ptrdiff_t(sourceLast), to + 4 * std::ptrdiff_t(bandStart), n);
}

} // namespace

void MirrorFromTop(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                   double x) {
  const LONG n = BandDepth(size.height, x);
  const LONG h = size.height;
  CopyRows(src, dst, size, 0, h - n);
  for (LONG i = 0; i < n; ++i) CopyBandRow(src, dst, size, h - 1 - i, h - 2 * n + i);
}

void MirrorFromBottom(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                      double x) {
  const LONG n = BandDepth(size.height, x);
  for (LONG k = 0; k < n; ++k) CopyBandRow(src, dst, size, k, 2 * n - 1 - k);
  CopyRows(src, dst, size, n, size.height);
}

void MirrorFromLeft(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                    double x) {
  const LONG n = BandDepth(size.width, x);
  for (LONG r = 0; r < size.height; ++r) MirrorRow(src, dst, size, r, 0, n, 2 * n - 1);
}

void MirrorFromRight(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                     double x) {
  const LONG n = BandDepth(size.width, x);
  const LONG w = size.width;
  for (LONG r = 0; r < size.height; ++r) MirrorRow(src, dst, size, r, w - n, n, w - n - 1);
}
