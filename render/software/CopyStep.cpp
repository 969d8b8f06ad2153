#include "render/software/CopyStep.h"

#include "render/software/SoftwareRoutines.h"

#include <algorithm>

void CopyRows(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
              LONG firstRow, LONG endRow) {
  if (firstRow >= endRow) return;
  const std::size_t rowBytes = std::size_t(size.width) * 4;
  if (src.stride == dst.stride) {
    // The block ends after the picture's last pixel: the caller's memory may end there.
    const std::ptrdiff_t begin = firstRow * src.stride;
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(
        endRow * src.stride, (size.height - 1) * src.stride + std::ptrdiff_t(rowBytes));
    std::memcpy(dst.pixels + begin, src.pixels + begin, std::size_t(end - begin));
    return;
  }
  for (LONG r = firstRow; r < endRow; ++r) std::memcpy(dst.Row(r), src.Row(r), rowBytes);
}

void CopyPicture(const SourcePicture &src, const DestinationPicture &dst, PictureSize size) {
  CopyRows(src, dst, size, 0, size.height);
}
