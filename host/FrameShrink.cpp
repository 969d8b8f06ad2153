#include "host/FrameShrink.h"

#include <algorithm>
#include <cstdint>

std::vector<SourceSpan> SourceSpans(int to, int from) {
  std::vector<SourceSpan> spans(size_t(std::max(to, 0)));
  for (int i = 0; i < to; ++i) {
    const int first = int(int64_t(i) * from / to);
    const int last = std::max(first + 1, int(int64_t(i + 1) * from / to));
    spans[size_t(i)] = {first, std::min(last, from)};
  }
  return spans;
}

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
  const std::vector<SourceSpan> rows = SourceSpans(target.height, source.Height());
  const std::vector<SourceSpan> columns = SourceSpans(target.width, source.Width());
  for (int ty = 0; ty < target.height; ++ty) {
    const int y0 = rows[size_t(ty)].first, y1 = rows[size_t(ty)].last;
    for (int tx = 0; tx < target.width; ++tx) {
      const int x0 = columns[size_t(tx)].first, x1 = columns[size_t(tx)].last;
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
