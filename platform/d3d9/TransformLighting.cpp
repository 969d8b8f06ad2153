// Fixed-function vertex processing. Lighting happens in view space, as on Direct3D 9.
#include "platform/d3d9/TransformLighting.h"

#include <algorithm>
#include <cmath>

namespace zrq::d3d9 {
namespace {

void Multiply(const float a[4][4], const float b[4][4], float out[4][4]) {
  float r[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
  std::copy(&r[0][0], &r[0][0] + 16, &out[0][0]);
}

void Normalize(float v[3]) {
  const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (len > 0.0f)
    for (int i = 0; i < 3; ++i) v[i] /= len;
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Row vector v (x, y, z, w) times the upper 3×3 (w = 0) or the whole matrix (w = 1).
void Transform3(const float v[3], float w, const float m[4][4], float out[3]) {
  for (int j = 0; j < 3; ++j)
    out[j] = v[0] * m[0][j] + v[1] * m[1][j] + v[2] * m[2][j] + w * m[3][j];
}

void Copy3(const D3DCOLORVALUE &c, float out[3]) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
}

} // namespace

VertexProcessor::VertexProcessor(const DeviceState &st, const VertexLayout &layout)
    : pretransformed_(layout.pretransformed), viewport_(st.viewport) {
  const DWORD *rs = st.renderStates;
  Multiply(st.transforms[D3DTS_WORLD].m, st.transforms[D3DTS_VIEW].m, worldView_);
  Multiply(worldView_, st.transforms[D3DTS_PROJECTION].m, worldViewProj_);

  // Normals go through the inverse transpose of world × view: the cofactors over the determinant.
  const float(*a)[4] = worldView_;
  float cof[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      cof[i][j] = a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
    }
  const float det = a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) normalMatrix_[i][j] = det != 0.0f ? cof[i][j] / det : a[i][j];

  lighting_ = rs[D3DRS_LIGHTING] != FALSE;
  normalize_ = rs[D3DRS_NORMALIZENORMALS] != FALSE;
  colorVertex_ = rs[D3DRS_COLORVERTEX] != FALSE;
  diffuseSource_ = rs[D3DRS_DIFFUSEMATERIALSOURCE];
  ambientSource_ = rs[D3DRS_AMBIENTMATERIALSOURCE];
  emissiveSource_ = rs[D3DRS_EMISSIVEMATERIALSOURCE];
  material_ = st.material;
  const DWORD ambient = rs[D3DRS_AMBIENT];
  globalAmbient_[0] = ((ambient >> 16) & 0xFF) / 255.0f;
  globalAmbient_[1] = ((ambient >> 8) & 0xFF) / 255.0f;
  globalAmbient_[2] = (ambient & 0xFF) / 255.0f;

  const float(*view)[4] = st.transforms[D3DTS_VIEW].m;
  for (const auto &[index, slot] : st.lights) {
    if (!slot.enabled) continue;
    const D3DLIGHT9 &l = slot.light;
    struct Light L {};
    L.type = l.Type;
    Copy3(l.Ambient, L.ambient);
    Copy3(l.Diffuse, L.diffuse);
    const float dir[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
    const float pos[3] = {l.Position.x, l.Position.y, l.Position.z};
    Transform3(dir, 0.0f, view, L.direction);
    Normalize(L.direction);
    for (int i = 0; i < 3; ++i) L.toLight[i] = -L.direction[i];
    Transform3(pos, 1.0f, view, L.position);
    L.range = l.Range;
    L.falloff = l.Falloff;
    L.att0 = l.Attenuation0;
    L.att1 = l.Attenuation1;
    L.att2 = l.Attenuation2;
    L.cosTheta = std::cos(l.Theta / 2.0f);
    L.cosPhi = std::cos(l.Phi / 2.0f);
    lights_.push_back(L);
  }
  for (int s = 0; s < kTexCoordSlots; ++s) {
    const DWORD tci = st.stageStates[s][D3DTSS_TEXCOORDINDEX];
    // Generated coordinates are not supported: such stages read (0, 0).
    texCoordSet_[s] = (tci & 0xFFFF0000u) == 0 && (tci & 0xFFFF) < kMaxTexCoords
                          ? static_cast<int>(tci & 0xFFFF)
                          : -1;
  }
}

void VertexProcessor::Illuminate(const VertexInput &in, float out[4]) const {
  auto source = [&](DWORD src, const D3DCOLORVALUE &material, float c[4]) {
    const float *p = nullptr;
    if (colorVertex_ && src == D3DMCS_COLOR1 && in.hasDiffuse) p = in.diffuse;
    if (colorVertex_ && src == D3DMCS_COLOR2 && in.hasSpecular) p = in.specular;
    if (p) {
      std::copy(p, p + 4, c);
    } else {
      c[0] = material.r, c[1] = material.g, c[2] = material.b, c[3] = material.a;
    }
  };
  float diffuse[4], ambient[4], emissive[4];
  source(diffuseSource_, material_.Diffuse, diffuse);
  source(ambientSource_, material_.Ambient, ambient);
  source(emissiveSource_, material_.Emissive, emissive);

  float ambientLight[3] = {globalAmbient_[0], globalAmbient_[1], globalAmbient_[2]};
  float diffuseLight[3] = {0, 0, 0};
  if (!lights_.empty()) {
    float normal[3] = {0, 0, 0}, position[3];
    if (in.hasNormal) {
      for (int j = 0; j < 3; ++j)
        normal[j] = in.normal[0] * normalMatrix_[0][j] + in.normal[1] * normalMatrix_[1][j] +
                    in.normal[2] * normalMatrix_[2][j];
      if (normalize_) Normalize(normal);
    }
    Transform3(in.position, 1.0f, worldView_, position);
    for (const struct Light &L : lights_) {
      float toLight[3], attenuation = 1.0f;
      if (L.type == D3DLIGHT_DIRECTIONAL) {
        std::copy(L.toLight, L.toLight + 3, toLight);
      } else {
        for (int i = 0; i < 3; ++i) toLight[i] = L.position[i] - position[i];
        const float distance = std::sqrt(Dot(toLight, toLight));
        if (distance > L.range) continue;
        Normalize(toLight);
        const float denominator = L.att0 + L.att1 * distance + L.att2 * distance * distance;
        attenuation = denominator > 0.0f ? 1.0f / denominator : 1.0f;
        if (L.type == D3DLIGHT_SPOT) {
          const float rho = -Dot(toLight, L.direction);
          if (rho <= L.cosPhi) continue;
          if (rho < L.cosTheta && L.cosTheta > L.cosPhi)
            attenuation *= std::pow((rho - L.cosPhi) / (L.cosTheta - L.cosPhi), L.falloff);
        }
      }
      const float nDotL = in.hasNormal ? std::max(0.0f, Dot(normal, toLight)) : 0.0f;
      for (int i = 0; i < 3; ++i) {
        ambientLight[i] += attenuation * L.ambient[i];
        diffuseLight[i] += attenuation * nDotL * L.diffuse[i];
      }
    }
  }
  for (int i = 0; i < 3; ++i)
    out[i] = std::clamp(emissive[i] + ambient[i] * ambientLight[i] + diffuse[i] * diffuseLight[i],
                        0.0f, 1.0f);
  out[3] = std::clamp(diffuse[3], 0.0f, 1.0f);
}

void VertexProcessor::Run(const VertexInput &in, ClipVertex *out) const {
  const float *p = in.position;
  if (pretransformed_) {
    // Screen x, y, z and 1/w: expressed in clip space so that clipping and the viewport
    // transform give the same screen position back.
    const float w = p[3] > 0.0f ? 1.0f / p[3] : 1.0f;
    const float halfW = viewport_.Width * 0.5f, halfH = viewport_.Height * 0.5f;
    const float depthRange = viewport_.MaxZ - viewport_.MinZ;
    const float nx = halfW > 0 ? (p[0] - viewport_.X) / halfW - 1.0f : 0.0f;
    const float ny = halfH > 0 ? 1.0f - (p[1] - viewport_.Y) / halfH : 0.0f;
    const float nz = depthRange != 0.0f ? (p[2] - viewport_.MinZ) / depthRange : p[2];
    out->x = nx * w;
    out->y = ny * w;
    out->z = nz * w;
    out->w = w;
  } else {
    const float(*m)[4] = worldViewProj_;
    out->x = p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0];
    out->y = p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1];
    out->z = p[0] * m[0][2] + p[1] * m[1][2] + p[2] * m[2][2] + m[3][2];
    out->w = p[0] * m[0][3] + p[1] * m[1][3] + p[2] * m[2][3] + m[3][3];
  }

  if (lighting_ && !pretransformed_) {
    Illuminate(in, out->v);
  } else if (in.hasDiffuse) {
    std::copy(in.diffuse, in.diffuse + 4, out->v);
  } else {
    std::fill(out->v, out->v + 4, 1.0f);
  }
  if (in.hasSpecular)
    std::copy(in.specular, in.specular + 4, out->v + 4);
  else
    std::fill(out->v + 4, out->v + 8, 0.0f);
  for (int s = 0; s < kTexCoordSlots; ++s) {
    const int set = texCoordSet_[s];
    for (int i = 0; i < 4; ++i)
      out->v[TexCoordVarying(s) + i] = set >= 0 ? in.texCoord[set][i] : 0.0f;
  }
}

} // namespace zrq::d3d9
