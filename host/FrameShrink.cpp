#include "host/FrameShrink.h"

#include <algorithm>
#include <cstdint>

FrameSize ThumbnailSize(FrameSize source, int maxWidth) {
  if (source.width <= maxWidth) return source;
  int height = int(int64_t(source.height) * maxWidth / source.width);
  return FrameSize{maxWidth, std::max(height, 1)};
}

Result<Frame> ShrinkFrame(const Frame &source, FrameSize target) {
  if (target.width > source.Width() || target.height > source.Height())
    return Error{"a thumbnail cannot be larger than its picture"};
  Result<Frame> made = Frame::Allocate(target);
  ZRQ_RETURN_IF_FAILED(made);
  Frame &shrunk = made.value();
  for (int ty = 0; ty < target.height; ++ty) {
    int y0 = int(int64_t(ty) * source.Height() / target.height);
    int y1 = int(int64_t(ty + 1) * source.Height() / target.height);
    for (int tx = 0; tx < target.width; ++tx) {
      int x0 = int(int64_t(tx) * source.Width() / target.width);
      int x1 = int(int64_t(tx + 1) * source.Width() / target.width);
      uint64_t sum[4] = {0, 0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const BYTE *pixel = source.ViewPixel(x0, y);
        for (int x = x0; x < x1; ++x, pixel += 4)
          for (int channel = 0; channel < 4; ++channel) sum[channel] += pixel[channel];
      }
      uint64_t count = uint64_t(y1 - y0) * uint64_t(x1 - x0);
      BYTE *out = shrunk.ViewPixel(tx, ty);
      for (int channel = 0; channel < 4; ++channel)
        out[channel] = BYTE((sum[channel] + count / 2) / count);
    }
  }
  return made;
}
