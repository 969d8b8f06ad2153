#include "platform/d3d9/VertexShaderProcessor.h"

#include "platform/d3d9/ShaderLanes.h"

#include <algorithm>

namespace zrq::d3d9 {
namespace {

// The element of a vertex a declared input reads; null when the vertex has no such element.
const float *InputFor(const VertexInput &in, BYTE usage, BYTE index) {
  switch (usage) {
  case D3DDECLUSAGE_POSITION:
  case D3DDECLUSAGE_POSITIONT:
    return index == 0 ? in.position : nullptr;
  case D3DDECLUSAGE_NORMAL:
    return index == 0 && in.hasNormal ? in.normal : nullptr;
  case D3DDECLUSAGE_COLOR:
    if (index == 0 && in.hasDiffuse) return in.diffuse;
    return index == 1 && in.hasSpecular ? in.specular : nullptr;
  case D3DDECLUSAGE_TEXCOORD:
    return index < kMaxTexCoords ? in.texCoord[index] : nullptr;
  default:
    return nullptr;
  }
}

} // namespace

VertexShaderProcessor::VertexShaderProcessor(const DeviceState &st, const ShaderProgram &program,
                                             bool pixelShader)
    : program_(program) {
  std::copy(&st.vsConstF[0][0], &st.vsConstF[0][0] + reg::kConstants * 4, &constants_[0][0]);
  for (const ShaderProgram::Definition &d : program.definitions)
    std::copy(d.value, d.value + 4, constants_[d.index]);
  for (int s = 0; s < kTexCoordSlots; ++s) {
    const DWORD tci = st.stageStates[s][D3DTSS_TEXCOORDINDEX] & 0xFFFF;
    slotSource_[s] = pixelShader ? s : (tci < kTexCoordSlots ? static_cast<int>(tci) : -1);
  }
}

void VertexShaderProcessor::Run(const VertexInput &in, ClipVertex *out) const {
  LaneFile<1> f;
  std::fill(&f.r[0][0][0], &f.r[0][0][0] + reg::kCount * 4, 0.0f);
  // A colour the shader does not write is white.
  for (int i = 0; i < 4; ++i) f.r[reg::kColorOut][i][0] = 1.0f;
  for (const ShaderInput &input : program_.inputs) {
    const float *value = InputFor(in, input.usage, input.usageIndex);
    for (int i = 0; i < 4; ++i)
      f.r[reg::kInput + input.reg][i][0] = value ? value[i] : (i == 3 ? 1.0f : 0.0f);
  }
  const ShaderEnvironment env{constants_, reg::kConstants, nullptr, false};
  RunLanes<1>(program_, env, f);
  out->x = f.r[reg::kPosition][0][0];
  out->y = f.r[reg::kPosition][1][0];
  out->z = f.r[reg::kPosition][2][0];
  out->w = f.r[reg::kPosition][3][0];
  // Colours reach the pixel stages clamped to 0..1.
  for (int c = 0; c < 2; ++c)
    for (int i = 0; i < 4; ++i)
      out->v[4 * c + i] = std::clamp(f.r[reg::kColorOut + c][i][0], 0.0f, 1.0f);
  for (int s = 0; s < kTexCoordSlots; ++s)
    for (int i = 0; i < 4; ++i)
      out->v[TexCoordVarying(s) + i] =
          slotSource_[s] >= 0 ? f.r[reg::kTexCoordOut + slotSource_[s]][i][0] : 0.0f;
}

} // namespace zrq::d3d9
