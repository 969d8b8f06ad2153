// Memory a device reuses from draw to draw.
#pragma once

#include "platform/d3d9/Pipeline.h"
#include "platform/d3d9/RowRuns.h"
#include "platform/d3d9/ShaderStep.h"
#include "platform/d3d9/TriangleRows.h"

#include <vector>

namespace zrq::d3d9 {

struct DrawScratch {
  std::vector<int64_t> vertexNumbers; // the vertices of each triangle, in order
  // The pixel shader's registers for a block of pixels (see ShaderLanes.h), 64-byte aligned
  // inside; zeroed once, when first made.
  std::vector<float> shaderRegisters;
  ShaderSteps shaderSteps;             // the pixel shader as the draw runs it
  std::vector<ClipVertex> vertices;    // processed vertices
  std::vector<TriangleRows> triangles; // triangles set up, drawn a band at a time
  RowRuns runs;                        // their spans, drawn side by side
};

} // namespace zrq::d3d9
