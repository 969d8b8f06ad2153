// Runs the software processor on pictures of any size, stride, value and effect the input
// spells, each in memory of exactly its size (so the sanitizers see any step outside it), and
// holds the result to the slow reference model byte for byte.
#include "fuzz/FuzzCheck.h"

#include "render/software/ReferenceProcessor.h"
#include "render/software/SoftwareEffectProcessor.h"

#include <cstring>
#include <vector>

namespace {

// The input read front to back; past its end, zeros.
struct Reader {
  const uint8_t *data;
  size_t size;
  size_t at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  double Real() {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | Byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Reader in{data, size};
  const LONG effectId = 2000 + in.Byte() % 12; // 2000 and 2011 name no effect
  const LONG width = 1 + in.Byte() % 80, height = 1 + in.Byte() % 80;
  const LONG srcStride = 4 * width + 4 * (in.Byte() % 4),
             dstStride = 4 * width + 4 * (in.Byte() % 4);
  // A value from a small set of interesting ones, or any bits.
  const uint8_t pick = in.Byte();
  const double value = pick < 128 ? pick / 127.0 : in.Real();

  std::vector<BYTE> src(size_t(srcStride) * size_t(height)),
      dst(size_t(dstStride) * size_t(height));
  for (BYTE &b : src) b = in.Byte() ^ BYTE(&b - src.data());
  for (BYTE &b : dst) b = BYTE(0xA5 ^ (&b - dst.data()));
  std::vector<BYTE> expected = dst;

  SoftwareEffectProcessor processor(effectId);
  FuzzCheck(processor.SetSize(width, height) == S_OK, "processor_args", "SetSize failed");
  FuzzCheck(processor.SetEffectValue(&value, sizeof value) == S_OK, "processor_args",
            "SetEffectValue failed");
  BYTE *sources[1] = {src.data()};
  const LONG strides[1] = {srcStride};
  FuzzCheck(processor.ProcessFrame(sources, 0, strides, 0, dst.data(), 0, 0, width, height,
                                   dstStride) == S_OK,
            "processor_args", "ProcessFrame failed");
  ReferenceProcess(effectId, processor.EffectValue(), width, height, src.data(), srcStride,
                   expected.data(), dstStride);
  FuzzCheck(dst == expected, "processor_args", "the processor and the reference model disagree");
  return 0;
}
