// Runs a translated shader on a block of N pixels at once: every operation is a loop over the
// block, which the compiler turns into vector instructions of the file's instruction set (4
// lanes with SSE2, 8 with AVX2), and which, with N = 1, is the scalar path. A block of many
// pixels pays for decoding an operation once for all of them. Each lane computes exactly what
// one pixel alone would, so the bits do not depend on N.
#pragma once

#include "platform/d3d9/Pipeline.h"
#include "platform/d3d9/ShaderMath.h"
#include "platform/d3d9/ShaderProgram.h"
#include "platform/d3d9/TexelFetch.h"

#include <algorithm>

namespace zrq::d3d9 {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

template <int N> struct LaneFile { alignas(32) float r[reg::kCount][4][N]; };

using namespace shadermath;

// A texel's channel as the shader reads it: 0..1.
inline float ChannelValue(uint32_t texel, int shift) {
  return static_cast<float>((texel >> shift) & 0xFF) * (1.0f / 255.0f);
}

// texld on the lanes: coordinates u and v (already divided for texldp).
template <int N>
void SampleLanes(const StageSetup &s, bool magnified, const float *u, const float *v,
                 uint8_t channels, float (*out)[N]) {
  alignas(32) uint32_t texel[N];
  if (!s.hasTexture) {
    for (int l = 0; l < N; ++l) texel[l] = 0xFF000000u; // no texture reads as opaque black
  } else {
    const DWORD filter = magnified ? s.sampler.magFilter : s.sampler.minFilter;
    if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE) {
      const float width = static_cast<float>(s.texture.width),
                  height = static_cast<float>(s.texture.height);
      alignas(32) float fx[N], fy[N];
      alignas(32) int32_t ix[N], iy[N];
      int32_t outside = 0;
      for (int l = 0; l < N; ++l) {
        fx[l] = Floor(u[l] * width);
        fy[l] = Floor(v[l] * height);
        // Clamped first, so that the conversion is defined: NaN lands on -1, outside.
        ix[l] = static_cast<int32_t>(fx[l] >= 0.0f ? (fx[l] < width ? fx[l] : width) : -1.0f);
        iy[l] = static_cast<int32_t>(fy[l] >= 0.0f ? (fy[l] < height ? fy[l] : height) : -1.0f);
      }
      for (int l = 0; l < N; ++l)
        outside |=
            (ix[l] < 0) | (ix[l] >= s.texture.width) | (iy[l] < 0) | (iy[l] >= s.texture.height);
      if (!outside) {
        // Every texel lies inside: no addressing, one index per lane.
        alignas(32) int32_t index[N];
        for (int l = 0; l < N; ++l) index[l] = iy[l] * s.texture.pitch + ix[l];
        for (int l = 0; l < N; ++l) texel[l] = s.texture.texels[index[l]] | s.texture.alphaOr;
      } else {
        for (int l = 0; l < N; ++l) {
          const float x = fx[l] > -1e9f && fx[l] < 1e9f ? fx[l] : 0.0f;
          const float y = fy[l] > -1e9f && fy[l] < 1e9f ? fy[l] : 0.0f;
          texel[l] = FetchTexel(s, static_cast<int64_t>(x), static_cast<int64_t>(y));
        }
      }
    } else {
      for (int l = 0; l < N; ++l) texel[l] = SampleTexture(s, u[l], v[l], magnified);
    }
  }
  // Only the channels the program goes on to read.
  static constexpr int kShift[4] = {16, 8, 0, 24};
  for (int i = 0; i < 4; ++i)
    if (channels & (1u << i))
      for (int l = 0; l < N; ++l) out[i][l] = ChannelValue(texel[l], kShift[i]);
}

// What a shader run needs besides its registers.
struct ShaderEnvironment {
  const float (*constants)[4]; // reg::kConstants of them for vertex shaders, 32 for pixel shaders
  int constantCount;
  const StageSetup *samplers; // 16, for pixel shaders
  bool magnified;
};

// A source as the operations read it: a row of N values per position, pointing into the
// registers where the value is read as it stands, else into the operand's own rows.
template <int N> struct Operand {
  Operand() {
    for (int i = 0; i < 4; ++i) c[i] = own[i];
  }
  const float *c[4];
  alignas(32) float own[4][N];
};

template <int N>
[[gnu::always_inline]] inline void FetchSource(const ShaderSource &s, const ShaderEnvironment &env,
                                               const LaneFile<N> &f, Operand<N> &v) {
  for (int i = 0; i < 4; ++i) {
    if (!(s.positions & (1u << i))) continue;
    const int c = s.swizzle[i];
    float *own = v.own[i];
    if (s.relative) {
      for (int l = 0; l < N; ++l) {
        const float a = f.r[reg::kAddress][s.relativeLane][l];
        const int index = s.index + static_cast<int>(a > -1024.0f && a < 1024.0f ? a : -1024.0f);
        own[l] = index >= 0 && index < env.constantCount ? env.constants[index][c] : 0.0f;
      }
    } else if (s.constant) {
      float k = env.constants[s.index][c];
      if (s.absolute) k = Abs(k);
      if (s.negate) k = -k;
      for (int l = 0; l < N; ++l) own[l] = k;
      v.c[i] = own;
      continue;
    } else if (!s.absolute && !s.negate) {
      v.c[i] = f.r[s.index][c];
      continue;
    } else {
      for (int l = 0; l < N; ++l) own[l] = f.r[s.index][c][l];
    }
    if (s.absolute)
      for (int l = 0; l < N; ++l) own[l] = Abs(own[l]);
    if (s.negate)
      for (int l = 0; l < N; ++l) own[l] = -own[l];
    v.c[i] = own;
  }
}

// Runs the program; returns a bit for every lane texkill discarded.
template <int N>
uint64_t RunLanes(const ShaderProgram &p, const ShaderEnvironment &env, LaneFile<N> &f) {
  static_assert(N <= 64, "one bit of the result per lane");
  uint64_t killed = 0;
  Operand<N> sa, sb, sc;
  alignas(32) float o[4][N];
  for (const ShaderInstruction &in : p.code) {
    if (in.sourceCount > 0) FetchSource(in.src[0], env, f, sa);
    if (in.sourceCount > 1) FetchSource(in.src[1], env, f, sb);
    if (in.sourceCount > 2) FetchSource(in.src[2], env, f, sc);
    const float *const *a = sa.c, *const *b = sb.c, *const *c = sc.c;
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
    case ShaderOp::Mov:
      each([&](int i, int l) { return a[i][l]; });
      break;
    case ShaderOp::Add:
      each([&](int i, int l) { return a[i][l] + b[i][l]; });
      break;
    case ShaderOp::Sub:
      each([&](int i, int l) { return a[i][l] - b[i][l]; });
      break;
    case ShaderOp::Mul:
      each([&](int i, int l) { return a[i][l] * b[i][l]; });
      break;
    case ShaderOp::Mad:
      each([&](int i, int l) {
        const float t = a[i][l] * b[i][l];
        return t + c[i][l];
      });
      break;
    case ShaderOp::Min:
      each([&](int i, int l) { return a[i][l] < b[i][l] ? a[i][l] : b[i][l]; });
      break;
    case ShaderOp::Max:
      each([&](int i, int l) { return a[i][l] >= b[i][l] ? a[i][l] : b[i][l]; });
      break;
    case ShaderOp::Slt:
      each([&](int i, int l) { return a[i][l] < b[i][l] ? 1.0f : 0.0f; });
      break;
    case ShaderOp::Sge:
      each([&](int i, int l) { return a[i][l] >= b[i][l] ? 1.0f : 0.0f; });
      break;
    case ShaderOp::Cmp:
      each([&](int i, int l) { return a[i][l] >= 0.0f ? b[i][l] : c[i][l]; });
      break;
    case ShaderOp::Lrp:
      each([&](int i, int l) {
        const float d = b[i][l] - c[i][l];
        const float s = a[i][l] * d;
        return s + c[i][l];
      });
      break;
    case ShaderOp::Frc:
      each([&](int i, int l) { return a[i][l] - Floor(a[i][l]); });
      break;
    case ShaderOp::Abs:
      each([&](int i, int l) { return Abs(a[i][l]); });
      break;
    case ShaderOp::Sgn:
      each([&](int i, int l) { return a[i][l] < 0.0f ? -1.0f : (a[i][l] > 0.0f ? 1.0f : 0.0f); });
      break;
    case ShaderOp::Rcp:
      all([&](int l) { return 1.0f / a[0][l]; });
      break;
    case ShaderOp::Rsq:
      all([&](int l) { return 1.0f / __builtin_sqrtf(Abs(a[0][l])); });
      break;
    case ShaderOp::Exp:
      all([&](int l) { return Exp2(a[0][l]); });
      break;
    case ShaderOp::Log:
      all([&](int l) { return Log2(a[0][l]); });
      break;
    case ShaderOp::Pow:
      all([&](int l) {
        // x⁰ is 1 and 1ʸ is 1 for every y, as pow has them.
        if (b[0][l] == 0.0f || Abs(a[0][l]) == 1.0f) return 1.0f;
        return Exp2(b[0][l] * Log2(a[0][l]));
      });
      break;
    case ShaderOp::Dp3:
      all([&](int l) { return a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l]; });
      break;
    case ShaderOp::Dp4:
      all([&](int l) {
        return a[0][l] * b[0][l] + a[1][l] * b[1][l] + a[2][l] * b[2][l] + a[3][l] * b[3][l];
      });
      break;
    case ShaderOp::Dp2Add:
      all([&](int l) { return a[0][l] * b[0][l] + a[1][l] * b[1][l] + c[0][l]; });
      break;
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
        const float s =
            1.0f / __builtin_sqrtf(a[0][l] * a[0][l] + a[1][l] * a[1][l] + a[2][l] * a[2][l]);
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
        o[2][l] = a[0][l] > 0.0f && a[1][l] > 0.0f
                      ? (power == 0.0f ? 1.0f : Exp2(power * Log2(a[1][l])))
                      : 0.0f;
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
    case ShaderOp::MovA: // rounds to the nearest integer
      each([&](int i, int l) { return Floor(a[i][l] + 0.5f); });
      break;
    case ShaderOp::MovAFloor:
      each([&](int i, int l) { return Floor(a[i][l]); });
      break;
    case ShaderOp::Tex:
    case ShaderOp::TexProj:
      if (in.op == ShaderOp::TexProj) {
        for (int l = 0; l < N; ++l)
          sa.own[0][l] = a[0][l] / a[3][l], sa.own[1][l] = a[1][l] / a[3][l];
        SampleLanes<N>(env.samplers[in.sampler], env.magnified, sa.own[0], sa.own[1], m, o);
      } else {
        SampleLanes<N>(env.samplers[in.sampler], env.magnified, a[0], a[1], m, o);
      }
      break;
    case ShaderOp::TexKill:
      for (int l = 0; l < N; ++l)
        if (a[0][l] < 0.0f || a[1][l] < 0.0f || a[2][l] < 0.0f) killed |= uint64_t{1} << l;
      continue;
    }
    float(*d)[N] = f.r[in.dst];
    for (int i = 0; i < 4; ++i) {
      if (!(m & (1u << i))) continue;
      if (in.saturate)
        for (int l = 0; l < N; ++l)
          d[i][l] = o[i][l] > 0.0f ? (o[i][l] < 1.0f ? o[i][l] : 1.0f) : 0.0f;
      else
        for (int l = 0; l < N; ++l) d[i][l] = o[i][l];
    }
  }
  return killed;
}

// A shader colour as an 8-bit channel: 0 below 0 (and for NaN), 255 from 1 up.
inline uint32_t ShaderByte(float c) {
  c = c > 0.0f ? c : 0.0f;
  c = c < 1.0f ? c : 1.0f;
  return static_cast<uint32_t>(static_cast<int32_t>(c * 255.0f + 0.5f));
}

// Shades pixels x0..x1 of row y of a triangle with the pixel shader, N at a time.
template <int N>
void ShadeShaderSpanLanes(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1) {
  const ShaderProgram &p = *s.pixelShader;
  // The registers stay with the device from span to span: a program reads only what it wrote
  // before or what is interpolated here (or ReadsUnwritten zeroes them).
  static_assert(sizeof(LaneFile<N>) <= kShaderRegisterFloats * sizeof(float));
  LaneFile<N> &f = *reinterpret_cast<LaneFile<N> *>(s.shaderRegisters);
  const ShaderEnvironment env{s.psConstants, 32, s.shaderSamplers, g.magnified[0]};
  const double fy = y - g.refY;
  const uint8_t texMask = p.texCoordsRead, colorMask = p.colorsRead;
  for (int x = x0; x <= x1; x += N) {
    alignas(32) double w[N], fx[N];
    for (int l = 0; l < N; ++l) fx[l] = x + l - g.refX;
    if (g.affine) {
      for (int l = 0; l < N; ++l) w[l] = 1.0;
    } else {
      for (int l = 0; l < N; ++l) {
        const double oow = g.w0 + g.dwdx * fx[l] + g.dwdy * fy;
        w[l] = oow != 0.0 ? 1.0 / oow : 0.0;
      }
    }
    auto interpolate = [&](int varying, float *out) {
      const double base = g.v0[varying] + g.dvdy[varying] * fy, step = g.dvdx[varying];
      for (int l = 0; l < N; ++l) out[l] = static_cast<float>((base + step * fx[l]) * w[l]);
    };
    if (p.readsUnwritten) {
      std::fill(&f.r[reg::kTemp][0][0], &f.r[reg::kInput][0][0], 0.0f);
      std::fill(&f.r[reg::kPixelColor][0][0], &f.r[reg::kPixelColor + 1][0][0], 0.0f);
    }
    for (int t = 0; t < 8; ++t)
      if (texMask & (1u << t))
        for (int i = 0; i < 4; ++i) {
          float *row = f.r[reg::kTexture + t][i];
          if (p.texCoordComponents[t] & (1u << i))
            interpolate(TexCoordVarying(t) + i, row);
          else
            std::fill(row, row + N, 0.0f);
        }
    for (int v = 0; v < 2; ++v)
      if (colorMask & (1u << v))
        for (int i = 0; i < 4; ++i) interpolate(4 * v + i, f.r[reg::kInput + v][i]);
    const uint64_t killed = RunLanes<N>(p, env, f);
    const float(*colour)[N] = f.r[reg::kPixelColor];
    alignas(32) uint32_t packed[N];
    for (int l = 0; l < N; ++l)
      packed[l] = ShaderByte(colour[3][l]) << 24 | ShaderByte(colour[0][l]) << 16 |
                  ShaderByte(colour[1][l]) << 8 | ShaderByte(colour[2][l]);
    const int n = std::min(N, x1 - x + 1);
    uint32_t *target = s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x;
    if (s.plainWrite && !killed) {
      std::copy(packed, packed + n, target);
      continue;
    }
    if (s.depthOnly && !killed && !p.writesDepth) {
      // The depth test alone stands between the pixels and the target.
      uint32_t *words = s.depth + static_cast<ptrdiff_t>(y) * s.depthPitch + x;
      alignas(32) uint32_t z24[N];
      if (g.dzdx == 0.0 && g.dzdy == 0.0)
        std::fill(z24, z24 + N, ToDepth24(static_cast<float>(g.z0)));
      else
        for (int l = 0; l < n; ++l)
          z24[l] = ToDepth24(static_cast<float>(g.z0 + g.dzdx * fx[l] + g.dzdy * fy));
      auto merge = [&](auto passes) {
        for (int l = 0; l < n; ++l) {
          if (!passes(z24[l], words[l] >> 8)) continue;
          if (s.depthWrite) words[l] = z24[l] << 8 | (words[l] & 0xFF);
          target[l] = packed[l];
        }
      };
      // The common functions get loops of their own; the rest ask CompareValues per pixel.
      if (s.depthFunc == D3DCMP_LESSEQUAL)
        merge([](uint32_t z, uint32_t stored) { return z <= stored; });
      else if (s.depthFunc == D3DCMP_LESS)
        merge([](uint32_t z, uint32_t stored) { return z < stored; });
      else if (s.depthFunc == D3DCMP_ALWAYS)
        merge([](uint32_t, uint32_t) { return true; });
      else
        merge([&](uint32_t z, uint32_t stored) { return CompareValues(s.depthFunc, z, stored); });
      continue;
    }
    for (int l = 0; l < n; ++l) {
      if (killed & (uint64_t{1} << l)) continue;
      float z = static_cast<float>(g.z0 + g.dzdx * fx[l] + g.dzdy * fy);
      if (p.writesDepth) z = std::clamp(f.r[reg::kDepth][0][l], 0.0f, 1.0f);
      MergePixel(s, x + l, y, packed[l], z, g.ccw);
    }
  }
}

} // namespace
} // namespace zrq::d3d9
