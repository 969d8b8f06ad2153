// The pixel shader eight pixels at a time; this file alone is built for AVX2.
#include "platform/d3d9/ShaderLanes.h"

namespace zrq::d3d9 {

ShaderSpanFunction Avx2ShaderSpan() { return &ShadeShaderSpanLanes<8>; }

}  // namespace zrq::d3d9
