// Reads any bytes as a raw frame stream of a size the first two bytes give: every whole frame
// is read, and a stream that ends inside a frame is reported short by exactly what it lacks.
#include "fuzz/FuzzCheck.h"

#include "host/RawFrameStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const FrameSize frameSize{1 + data[0] % 64, 1 + data[1] % 64};
  const FuzzFile file(data + 2, size - 2);
  Result<Frame> frame = Frame::Allocate(frameSize);
  FuzzCheck(frame.ok(), "raw_stream", "no frame");
  RawFrameReader reader(file.Descriptor(), frameSize);
  const uint64_t frameBytes = frame.value().ByteCount();
  uint64_t frames = 0;
  for (;;) {
    const RawFrameReader::Outcome outcome = reader.Read(frame.value());
    if (outcome == RawFrameReader::Outcome::Frame) {
      ++frames;
      continue;
    }
    const uint64_t rest = (size - 2) - frames * frameBytes;
    FuzzCheck(outcome != RawFrameReader::Outcome::Error, "raw_stream",
              "a memory file failed to read");
    FuzzCheck((outcome == RawFrameReader::Outcome::End) == (rest == 0), "raw_stream",
              "the end is not where the bytes end");
    if (outcome == RawFrameReader::Outcome::Short)
      FuzzCheck(reader.MissingBytes() == frameBytes - rest, "raw_stream",
                "a short frame lacks another amount");
    break;
  }
  FuzzCheck(frames == (size - 2) / frameBytes, "raw_stream", "not every whole frame was read");
  return 0;
}
