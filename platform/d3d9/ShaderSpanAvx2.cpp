// The pixel shader on blocks of pixels as vectors of 8 lanes; this file alone is built for AVX2.
#include "platform/d3d9/ShaderLanes.h"

namespace zrq::d3d9 {

ShaderSpanFunction Avx2ShaderSpan() { return &ShadeShaderSpanLanes<kShaderBlock>; }

} // namespace zrq::d3d9
