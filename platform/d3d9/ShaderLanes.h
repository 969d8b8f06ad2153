// Runs a translated shader on N lanes at once: every operation is a loop over the lanes, which
// the compiler turns into vector instructions for the file's instruction set (N = 4 for SSE2,
// 8 for AVX2) and which, with N = 1, is the scalar path. Each lane computes exactly what one
// pixel alone would, so the bits do not depend on N.
#pragma once

#include "platform/d3d9/Pipeline.h"
#include "platform/d3d9/ShaderMath.h"
#include "platform/d3d9/ShaderProgram.h"
#include "platform/d3d9/TexelFetch.h"

#include <algorithm>

namespace zrq::d3d9 {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

template <int N>
struct LaneFile {
  alignas(32) float r[reg::kCount][4][N];
};

using namespace shadermath;

// A texel's channel as the shader reads it: 0..1.
inline float ChannelValue(uint32_t texel, int shift) { return static_cast<float>((texel >> shift) & 0xFF) / 255.0f; }

// texld on the lanes: coordinates in co[0..1] (already divided for texldp).
template <int N>
void SampleLanes(const StageSetup &s, bool magnified, const float (*co)[N], float (*out)[N]) {
  uint32_t texel[N];
  if (!s.hasTexture) {
    for (int l = 0; l < N; ++l) texel[l] = 0xFF000000u;  // no texture reads as opaque black
  } else {
    const DWORD filter = magnified ? s.sampler.magFilter : s.sampler.minFilter;
    if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE) {
      const float width = static_cast<float>(s.texture.width), height = static_cast<float>(s.texture.height);
      float fx[N], fy[N];
      bool inside = true;
      for (int l = 0; l < N; ++l) {
        fx[l] = Floor(co[0][l] * width);
        fy[l] = Floor(co[1][l] * height);
        inside = inside & (fx[l] >= 0.0f) & (fx[l] < width) & (fy[l] >= 0.0f) & (fy[l] < height);
      }
      if (inside) {
        for (int l = 0; l < N; ++l)
          texel[l] = s.texture.texels[static_cast<int64_t>(fy[l]) * s.texture.pitch + static_cast<int64_t>(fx[l])] |
                     s.texture.alphaOr;
      } else {
        for (int l = 0; l < N; ++l) {
          const float x = fx[l] > -1e9f && fx[l] < 1e9f ? fx[l] : 0.0f;
          const float y = fy[l] > -1e9f && fy[l] < 1e9f ? fy[l] : 0.0f;
          texel[l] = FetchTexel(s, static_cast<int64_t>(x), static_cast<int64_t>(y));
        }
      }
    } else {
      for (int l = 0; l < N; ++l) texel[l] = SampleTexture(s, co[0][l], co[1][l], magnified);
    }
  }
  for (int l = 0; l < N; ++l) {
    out[0][l] = ChannelValue(texel[l], 16);
    out[1][l] = ChannelValue(texel[l], 8);
    out[2][l] = ChannelValue(texel[l], 0);
    out[3][l] = ChannelValue(texel[l], 24);
  }
}

// What a shader run needs besides its registers.
struct ShaderEnvironment {
  const float (*constants)[4];  // reg::kConstants of them for vertex shaders, 32 for pixel shaders
  int constantCount;
  const StageSetup *samplers;   // 16, for pixel shaders
  bool magnified;
};

template <int N>
void FetchSource(const ShaderSource &s, const ShaderEnvironment &env, const LaneFile<N> &f, float (*v)[N]) {
  for (int i = 0; i < 4; ++i) {
    if (!(s.positions & (1u << i))) continue;
    const int c = s.swizzle[i];
    if (s.relative) {
      for (int l = 0; l < N; ++l) {
        const float a = f.r[reg::kAddress][s.relativeLane][l];
        const int index = s.index + static_cast<int>(a > -1024.0f && a < 1024.0f ? a : -1024.0f);
        v[i][l] = index >= 0 && index < env.constantCount ? env.constants[index][c] : 0.0f;
      }
    } else if (s.constant) {
      const float k = env.constants[s.index][c];
      for (int l = 0; l < N; ++l) v[i][l] = k;
    } else {
      for (int l = 0; l < N; ++l) v[i][l] = f.r[s.index][c][l];
    }
    if (s.absolute)
      for (int l = 0; l < N; ++l) v[i][l] = Abs(v[i][l]);
    if (s.negate)
      for (int l = 0; l < N; ++l) v[i][l] = -v[i][l];
  }
}

// Runs the program; returns a bit for every lane texkill discarded.
template <int N>
uint32_t RunLanes(const ShaderProgram &p, const ShaderEnvironment &env, LaneFile<N> &f) {
  uint32_t killed = 0;
  alignas(32) float a[4][N], b[4][N], c[4][N], o[4][N];
  for (const ShaderInstruction &in : p.code) {
    if (in.sourceCount > 0) FetchSource(in.src[0], env, f, a);
    if (in.sourceCount > 1) FetchSource(in.src[1], env, f, b);
    if (in.sourceCount > 2) FetchSource(in.src[2], env, f, c);
    const uint8_t m = in.mask;
    auto each = [&](auto op) {
      for (int i = 0; i < 4; ++i)
        if (m & (1u << i))
          for (int l = 0; l < N; ++l) o[i][l] = op(i, l);
    };
    auto all = [&](auto op) {
      for (int l = 0; l < N; ++l) {
        const float x = op(l);
        for (int i = 0; i < 4; ++i) o[i][l] = x;
      }
    };
    switch (in.op) {
      case ShaderOp::Mov: each([&](int i, int l) { return a[i][l]; }); break;
      case ShaderOp::Add: each([&](int i, int l) { return a[i][l] + b[i][l]; }); break;
      case ShaderOp::Sub: each([&](int i, int l) { return a[i][l] - b[i][l]; }); break;
      case ShaderOp::Mul: each([&](int i, int l) { return a[i][l] * b[i][l]; }); break;
      case ShaderOp::Mad: each([&](int i, int l) { const float t = a[i][l] * b[i][l]; return t + c[i][l]; }); break;
      case ShaderOp::Min: each([&](int i, int l) { return a[i][l] < b[i][l] ? a[i][l] : b[i][l]; }); break;
      case ShaderOp::Max: each([&](int i, int l) { return a[i][l] >= b[i][l] ? a[i][l] : b[i][l]; }); break;
      case ShaderOp::Slt: each([&](int i, int l) { return a[i][l] < b[i][l] ? 1.0f : 0.0f; }); break;
      case ShaderOp::Sge: each([&](int i, int l) { return a[i][l] >= b[i][l] ? 1.0f : 0.0f; }); break;
      case ShaderOp::Cmp: each([&](int i, int l) { return a[i][l] >= 0.0f ? b[i][l] : c[i][l]; }); break;
      case ShaderOp::Lrp:
        each([&](int i, int l) { const float d = b[i][l] - c[i][l]; const float s = a[i][l] * d; return s + c[i][l]; });
        break;
      case ShaderOp::Frc: each([&](int i, int l) { return a[i][l] - Floor(a[i][l]); }); break;
      case ShaderOp::Abs: each([&](int i, int l) { return Abs(a[i][l]); }); break;
      case ShaderOp::Sgn:
        each([&](int i, int l) { return a[i][l] < 0.0f ? -1.0f : (a[i][l] > 0.0f ? 1.0f : 0.0f); });
        break;
      case ShaderOp::Rcp: all([&](int l) { return 1.0f / a[0][l]; }); break;
      case ShaderOp::Rsq: all([&](int l) { return 1.0f / __builtin_sqrtf(Abs(a[0][l])); }); break;
      case ShaderOp::Exp: all([&](int l) { return Exp2(a[0][l]); }); break;
      case ShaderOp::Log: all([&](int l) { return Log2(a[0][l]); }); break;
      case ShaderOp::Pow:
        all([&](int l) {
          // x⁰ is 1 and 1ʸ is 1 for every y, as pow has them.
          if (b[0][l] == 0.0f || Abs(a[0][l]) == 1.0f) return 1.0f;
          return Exp2(b[0][l] * Log2(a[0][l]));
        });
        break;
      case ShaderOp::Dp3: all([&](int l) { return a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l]; }); break;
      case ShaderOp::Dp4:
        all([&](int l) { return a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l] + a[3][l] * b[3][l]; });
        break;
      case ShaderOp::Dp2Add: all([&](int l) { return a[0][l] * b[0][l] + a[1][l] * b[1][l] + c[0][l]; }); break;
      case ShaderOp::Crs:
        for (int l = 0; l < N; ++l) {
          o[0][l] = a[1][l] * b[2][l] - a[2][l] * b[1][l];
          o[1][l] = a[2][l] * b[0][l] - a[0][l] * b[2][l];
          o[2][l] = a[0][l] * b[1][l] - a[1][l] * b[0][l];
          o[3][l] = 0.0f;
        }
        break;
      case ShaderOp::Nrm:
        for (int l = 0; l < N; ++l) {
          const float s = 1.0f / __builtin_sqrtf(a[0][l] * a[0][l] + a[1][l] * a[1][l] + a[2][l] * a[2][l]);
          for (int i = 0; i < 4; ++i) o[i][l] = (i < 3 ? a[i][l] : 0.0f) * s;
        }
        break;
      case ShaderOp::SinCos:
        for (int l = 0; l < N; ++l) {
          SinCos(a[0][l], &o[1][l], &o[0][l]);
          o[2][l] = o[3][l] = 0.0f;
        }
        break;
      case ShaderOp::ExpP11:
        for (int l = 0; l < N; ++l) {
          const float whole = Floor(a[0][l]);
          o[0][l] = Exp2(whole);
          o[1][l] = a[0][l] - whole;
          o[2][l] = Exp2(a[0][l]);
          o[3][l] = 1.0f;
        }
        break;
      case ShaderOp::LogP11:
        for (int l = 0; l < N; ++l) {
          const float v = Abs(a[0][l]), exponent = Floor(Log2(v));
          o[0][l] = exponent;
          o[1][l] = v * Exp2(-exponent);
          o[2][l] = Log2(v);
          o[3][l] = 1.0f;
        }
        break;
      case ShaderOp::Lit:
        for (int l = 0; l < N; ++l) {
          const float power = std::clamp(a[3][l], -128.0f, 128.0f);
          o[0][l] = 1.0f;
          o[1][l] = a[0][l] > 0.0f ? a[0][l] : 0.0f;
          o[2][l] = a[0][l] > 0.0f && a[1][l] > 0.0f ? (power == 0.0f ? 1.0f : Exp2(power * Log2(a[1][l]))) : 0.0f;
          o[3][l] = 1.0f;
        }
        break;
      case ShaderOp::Dst:
        for (int l = 0; l < N; ++l) {
          o[0][l] = 1.0f;
          o[1][l] = a[1][l] * b[1][l];
          o[2][l] = a[2][l];
          o[3][l] = b[3][l];
        }
        break;
      case ShaderOp::MovA:  // rounds to the nearest integer
        each([&](int i, int l) { return Floor(a[i][l] + 0.5f); });
        break;
      case ShaderOp::MovAFloor: each([&](int i, int l) { return Floor(a[i][l]); }); break;
      case ShaderOp::Tex:
      case ShaderOp::TexProj:
        if (in.op == ShaderOp::TexProj)
          for (int l = 0; l < N; ++l) a[0][l] /= a[3][l], a[1][l] /= a[3][l];
        SampleLanes<N>(env.samplers[in.sampler], env.magnified, a, o);
        break;
      case ShaderOp::TexKill:
        for (int l = 0; l < N; ++l)
          if (a[0][l] < 0.0f || a[1][l] < 0.0f || a[2][l] < 0.0f) killed |= 1u << l;
        continue;
    }
    float(*d)[N] = f.r[in.dst];
    for (int i = 0; i < 4; ++i) {
      if (!(m & (1u << i))) continue;
      if (in.saturate)
        for (int l = 0; l < N; ++l) d[i][l] = o[i][l] > 0.0f ? (o[i][l] < 1.0f ? o[i][l] : 1.0f) : 0.0f;
      else
        for (int l = 0; l < N; ++l) d[i][l] = o[i][l];
    }
  }
  return killed;
}

// A shader colour as an 8-bit channel: 0 below 0 (and for NaN), 255 from 1 up.
inline uint32_t ShaderByte(float c) {
  return c > 0.0f ? (c < 1.0f ? static_cast<uint32_t>(c * 255.0f + 0.5f) : 255u) : 0u;
}

// Shades pixels x0..x1 of row y of a triangle with the pixel shader, N at a time.
template <int N>
void ShadeShaderSpanLanes(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1) {
  const ShaderProgram &p = *s.pixelShader;
  LaneFile<N> f = {};
  const ShaderEnvironment env{s.psConstants, 32, s.shaderSamplers, g.magnified[0]};
  const double fy = y - g.refY;
  const uint8_t texMask = p.texCoordsRead, colorMask = p.colorsRead;
  for (int x = x0; x <= x1; x += N) {
    double w[N], fx[N];
    for (int l = 0; l < N; ++l) {
      fx[l] = x + l - g.refX;
      w[l] = 1.0;
      if (!g.affine) {
        const double oow = g.w0 + g.dwdx * fx[l] + g.dwdy * fy;
        w[l] = oow != 0.0 ? 1.0 / oow : 0.0;
      }
    }
    auto interpolate = [&](int varying, float *out) {
      const double base = g.v0[varying] + g.dvdy[varying] * fy, step = g.dvdx[varying];
      for (int l = 0; l < N; ++l) out[l] = static_cast<float>((base + step * fx[l]) * w[l]);
    };
    for (int t = 0; t < 8; ++t)
      if (texMask & (1u << t))
        for (int i = 0; i < 4; ++i) interpolate(TexCoordVarying(t) + i, f.r[reg::kTexture + t][i]);
    for (int v = 0; v < 2; ++v)
      if (colorMask & (1u << v))
        for (int i = 0; i < 4; ++i) interpolate(4 * v + i, f.r[reg::kInput + v][i]);
    const uint32_t killed = RunLanes<N>(p, env, f);
    const float(*colour)[N] = f.r[reg::kPixelColor];
    uint32_t packed[N];
    for (int l = 0; l < N; ++l)
      packed[l] = ShaderByte(colour[3][l]) << 24 | ShaderByte(colour[0][l]) << 16 | ShaderByte(colour[1][l]) << 8 |
                  ShaderByte(colour[2][l]);
    const int n = std::min(N, x1 - x + 1);
    if (s.plainWrite && !killed) {
      std::copy(packed, packed + n, s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x);
      continue;
    }
    for (int l = 0; l < n; ++l) {
      if (killed & (1u << l)) continue;
      float z = static_cast<float>(g.z0 + g.dzdx * fx[l] + g.dzdy * fy);
      if (p.writesDepth) z = std::clamp(f.r[reg::kDepth][0][l], 0.0f, 1.0f);
      MergePixel(s, x + l, y, packed[l], z, g.ccw);
    }
  }
}

}  // namespace
}  // namespace zrq::d3d9
