// The pixel shader on blocks of pixels as vectors of 8 lanes; this file alone is built for AVX2.
#include "platform/d3d9/ShaderSpanLanes.h"

namespace zrq::d3d9 {

ShaderSpanPath Avx2ShaderSpan() {
  return {&ShadeShaderSpanLanes<kShaderBlock>, &PrepareSteps<kShaderBlock>};
}

} // namespace zrq::d3d9
