// Reads any bytes as a PNG file as zrq-render does: a picture that reads has a size within the
// tool's limits, and one that does not says why.
#include "fuzz/FuzzCheck.h"

#include "host/PngFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const FuzzFile file(data, size);
  const Result<PngPicture> picture = ReadPngFile(file.Path());
  if (!picture.ok()) {
    FuzzCheck(!picture.message().empty(), "png_input", "a failed read without a reason");
    return 0;
  }
  const Frame &frame = picture.value().frame;
  FuzzCheck(frame.Width() >= 1 && frame.Width() <= kMaxFrameSide && frame.Height() >= 1 &&
                frame.Height() <= kMaxFrameSide,
            "png_input", "a picture outside the tool's sizes");
  // Every pixel is there to read.
  unsigned sum = 0;
  for (size_t i = 0; i < frame.ByteCount(); i += 4093) sum += frame.Data()[i];
  return sum == 0xFFFFFFFFu;
}
