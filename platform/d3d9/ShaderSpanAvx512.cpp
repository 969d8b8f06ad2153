// The pixel shader on blocks of pixels as vectors of 16 lanes; this file alone is built for
// AVX-512.
#include "platform/d3d9/ShaderSpanLanes.h"

namespace zrq::d3d9 {

ShaderSpanPath Avx512ShaderSpan() {
  return {&ShadeShaderSpanLanes<kShaderBlock>, &PrepareSteps<kShaderBlock>};
}

} // namespace zrq::d3d9
