// A pixel shader prepared for one draw: each instruction turned into a step whose operand rows
// (registers of the block, or constants spread over a row) are resolved to addresses, and whose
// function is chosen for its operation, so that running a block decodes nothing. The steps are
// made and run by the span functions of one vector width (ShaderLanes.h); this header only holds
// them.
#pragma once

#include "platform/d3d9/ShaderProgram.h"

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

struct ShaderStep {
  // `run` is the span function's own state for the block (its registers and environment).
  void (*run)(const ShaderStep &step, void *run) = nullptr;
  const ShaderInstruction *in = nullptr; // what the step does, for the steps that ask
  int count = 0;                         // rows written
  float *dst[4] = {};                    // the rows written, in order
  // For component-wise operations the row each source reads for dst[k]; for the others the row
  // of each source position 0..3 (after the swizzle).
  const float *src[3][4] = {};
  uint32_t *words = nullptr; // for a texture read the colour is packed from: its texel words
};

// A draw's steps and the rows they read besides the registers (constants spread over a row,
// sources with a modifier applied). `code` is the program with what is the same for every pixel
// of the draw worked out once; its constants (four floats each) are the device's, then those
// worked out.
struct ShaderSteps {
  std::vector<ShaderInstruction> code;
  std::vector<float> constants;
  std::vector<ShaderStep> steps;
  std::vector<float> rows;
  // When every component of oC0 is a channel of a texture read passed on unchanged, the colour
  // is packed from the texel words themselves: component i is the byte at shift[i] of the
  // words in row[i] (N words each). A channel read as 0..1 and written back as a byte is the
  // byte it was.
  bool packsTexels = false;
  const uint32_t *row[4] = {};
  int shift[4] = {};
  std::vector<uint32_t> words;
  // When the program is nothing but such reads, at coordinates made from t# (ShaderTexelWalk.h):
  // each read's sampler, its u and v, and its row of words. Empty for every other program.
  struct Coordinate {
    int varying = -1;    // the interpolated value, TexCoordVarying(t) + component; -1: none
    bool offset = false; // plus `constant`, as a float add
    float constant = 0.0f;
  };
  struct WalkedRead {
    int sampler;
    Coordinate u, v;
    uint32_t *words;
  };
  std::vector<WalkedRead> walks;
  int walkOf[4] = {}; // the read each component of the colour comes from
};

} // namespace zrq::d3d9
