// A pixel shader prepared for one draw: each instruction turned into a step whose operand rows
// (registers of the block, or constants spread over a row) are resolved to addresses, and whose
// function is chosen for its operation, so that running a block decodes nothing. The steps are
// made and run by the span functions of one vector width (ShaderLanes.h); this header only holds
// them.
#pragma once

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

struct ShaderInstruction;

struct ShaderStep {
  // `run` is the span function's own state for the block (its registers and environment).
  void (*run)(const ShaderStep &step, void *run) = nullptr;
  const ShaderInstruction *in = nullptr; // what the step does, for the steps that ask
  int count = 0;                         // rows written
  float *dst[4] = {};                    // the rows written, in order
  // For component-wise operations the row each source reads for dst[k]; for the others the row
  // of each source position 0..3 (after the swizzle).
  const float *src[3][4] = {};
};

// A draw's steps and the rows they read besides the registers (constants spread over a row,
// sources with a modifier applied, results staged before they are written).
struct ShaderSteps {
  std::vector<ShaderStep> steps;
  std::vector<float> rows;
};

} // namespace zrq::d3d9
