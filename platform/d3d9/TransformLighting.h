// Fixed-function vertex processing: world, view and projection with row vectors, and the
// lighting of Direct3D 9 (emissive + ambient + directional, point and spot lights).
#pragma once

#include "platform/d3d9/DeviceImpl.h"
#include "platform/d3d9/Pipeline.h"

#include <vector>

namespace zrq::d3d9 {

struct VertexInput {
  float position[4];
  float normal[4];
  float diffuse[4];
  float specular[4];
  float texCoord[kMaxTexCoords][4];
  bool hasNormal, hasDiffuse, hasSpecular;
};

class VertexProcessor {
public:
  VertexProcessor(const DeviceState &state, const VertexLayout &layout);
  void Run(const VertexInput &in, ClipVertex *out) const;

private:
  struct Light {
    D3DLIGHTTYPE type;
    float ambient[3], diffuse[3];
    float toLight[3]; // directional: unit vector toward the light, in view space
    float position[3];
    float direction[3];
    float range, falloff, att0, att1, att2, cosTheta, cosPhi;
  };
  void Illuminate(const VertexInput &in, float out[4]) const;

  bool pretransformed_;
  D3DVIEWPORT9 viewport_;
  float worldViewProj_[4][4];
  float worldView_[4][4];
  float normalMatrix_[3][3];
  bool lighting_;
  bool normalize_;
  bool colorVertex_;
  DWORD diffuseSource_, ambientSource_, emissiveSource_;
  D3DMATERIAL9 material_;
  float globalAmbient_[3];
  std::vector<struct Light> lights_;
  int texCoordSet_[kTexCoordSlots];
};

} // namespace zrq::d3d9
