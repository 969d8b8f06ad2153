// A 32-bit picture (bytes B, G, R, A) held bottom-up: memory row 0 is the picture's bottom
// row, which is the order the software path works in. Rows are packed (stride 4 × width).
#pragma once

#include "host/Status.h"

#include <windows.h>

#include <cstddef>
#include <memory>

// The largest picture side the tool takes. It keeps a frame under 1 GiB and every size and
// stride the processor forms within 32-bit arithmetic.
inline constexpr int kMaxFrameSide = 16384;

struct FrameSize {
  int width = 0;
  int height = 0;
  bool operator==(const FrameSize &) const = default;
};

class Frame {
public:
  // Fails (rather than throwing) for a size outside 1..kMaxFrameSide or when memory runs out.
  // The pixels are not initialised.
  static Result<Frame> Allocate(FrameSize size);

  Frame(Frame &&) = default;
  Frame &operator=(Frame &&) = default;

  Result<Frame> Clone() const;

  int Width() const { return size.width; }
  int Height() const { return size.height; }
  FrameSize Size() const { return size; }
  LONG Stride() const { return 4 * size.width; }
  size_t RowBytes() const { return size_t(4) * size_t(size.width); }
  size_t ByteCount() const { return RowBytes() * size_t(size.height); }

  BYTE *Data() { return pixels.get(); }
  const BYTE *Data() const { return pixels.get(); }

  // Rows as a viewer sees them: y = 0 is the top row, the last row in memory.
  BYTE *ViewRow(int y) { return Data() + RowBytes() * size_t(size.height - 1 - y); }
  const BYTE *ViewRow(int y) const { return Data() + RowBytes() * size_t(size.height - 1 - y); }
  BYTE *ViewPixel(int x, int y) { return ViewRow(y) + 4 * size_t(x); }
  const BYTE *ViewPixel(int x, int y) const { return ViewRow(y) + 4 * size_t(x); }

private:
  Frame(FrameSize size, std::unique_ptr<BYTE[]> pixels) : size(size), pixels(std::move(pixels)) {}

  FrameSize size;
  std::unique_ptr<BYTE[]> pixels;
};

// Checks a picture size against what the tool takes; the message says why it is refused.
Status CheckFrameSize(FrameSize size);
