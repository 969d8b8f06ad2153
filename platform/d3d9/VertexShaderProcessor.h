// Programmable vertex processing: the bound vertex shader run on each vertex, its inputs taken
// from the elements of the declaration by usage, its outputs handed to the clipper.
#pragma once

#include "platform/d3d9/TransformLighting.h"

namespace zrq::d3d9 {

class VertexShaderProcessor {
public:
  // `pixelShader`: whether a pixel shader reads the texture coordinates (t# from oT#) rather
  // than the texture stages (stage s from the set its D3DTSS_TEXCOORDINDEX names).
  VertexShaderProcessor(const DeviceState &state, const ShaderProgram &program, bool pixelShader);
  void Run(const VertexInput &in, ClipVertex *out) const;

private:
  const ShaderProgram &program_;
  float constants_[reg::kConstants][4];
  int slotSource_[kTexCoordSlots]; // the oT# each texture coordinate slot takes; -1: none
};

} // namespace zrq::d3d9
