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

// Texel coordinates within one size n either side of the texture (-n <= i < 2n) mapped inside
// by the address mode as TexelAddress maps them, without its division; -1 where the border
// colour is taken.
template <int N> void AddressNear(int32_t *i, int32_t n, DWORD mode) {
  switch (mode) {
  case D3DTADDRESS_MIRROR:
    for (int l = 0; l < N; ++l) i[l] = i[l] < 0 ? -i[l] - 1 : (i[l] >= n ? 2 * n - 1 - i[l] : i[l]);
    return;
  case D3DTADDRESS_CLAMP:
    for (int l = 0; l < N; ++l) i[l] = i[l] < 0 ? 0 : (i[l] >= n ? n - 1 : i[l]);
    return;
  case D3DTADDRESS_BORDER:
    for (int l = 0; l < N; ++l) i[l] = i[l] < 0 || i[l] >= n ? -1 : i[l];
    return;
  case D3DTADDRESS_MIRRORONCE:
    for (int l = 0; l < N; ++l) {
      const int32_t m = i[l] < 0 ? -i[l] - 1 : i[l];
      i[l] = m >= n ? n - 1 : m;
    }
    return;
  default: // wrap, which unknown modes do too
    for (int l = 0; l < N; ++l) i[l] = i[l] < 0 ? i[l] + n : (i[l] >= n ? i[l] - n : i[l]);
    return;
  }
}

// The texels at integer coordinates within one size either side of the texture, through the
// address modes (`outside`: some lane is outside the texture); the coordinates are overwritten.
template <int N>
[[gnu::always_inline]] inline void NearTexels(const StageSetup &s, int32_t *ix, int32_t *iy,
                                              bool outside, uint32_t *texel) {
  if (outside) {
    AddressNear<N>(ix, s.texture.width, s.sampler.addressU);
    AddressNear<N>(iy, s.texture.height, s.sampler.addressV);
  }
  // Lanes that take the border colour (a coordinate of -1) read texel 0 meanwhile.
  alignas(32) int32_t index[N];
  const int32_t pitch = s.texture.pitch;
  for (int l = 0; l < N; ++l) index[l] = (iy[l] * pitch + ix[l]) & ~((ix[l] | iy[l]) >> 31);
  // Where the lanes read texels one after the other along a texture row, as a picture drawn at
  // its own size does, they are loaded as they lie instead of one by one.
  int32_t apart = 0;
  for (int l = 0; l < N; ++l) apart |= index[l] ^ (index[0] + l);
  // `texel` is never the texture or the sampler: the loops need not fear a store changing what
  // they load.
  const uint32_t alphaOr = s.texture.alphaOr;
  if (!apart) {
    const uint32_t *from = s.texture.texels + index[0];
#pragma GCC ivdep
    for (int l = 0; l < N; ++l) texel[l] = from[l] | alphaOr;
  } else {
    const uint32_t *texels = s.texture.texels;
#pragma GCC ivdep
    for (int l = 0; l < N; ++l) texel[l] = texels[index[l]] | alphaOr;
  }
  if (outside) {
    const uint32_t border = s.sampler.border;
#pragma GCC ivdep
    for (int l = 0; l < N; ++l) texel[l] = (ix[l] | iy[l]) < 0 ? border : texel[l];
  }
}

// texld on the lanes: coordinates u and v (already divided for texldp).
// The texel words themselves go to `words` too, unless it is null.
template <int N>
void SampleLanes(const StageSetup &s, bool magnified, const float *u, const float *v,
                 uint8_t channels, float (*out)[N], uint32_t *words) {
  alignas(32) uint32_t texel[N];
  if (!s.hasTexture) {
    for (int l = 0; l < N; ++l) texel[l] = 0xFF000000u; // no texture reads as opaque black
  } else {
    const DWORD filter = magnified ? s.sampler.magFilter : s.sampler.minFilter;
    if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE) {
      const float width = static_cast<float>(s.texture.width),
                  height = static_cast<float>(s.texture.height);
      alignas(32) float fx[N], fy[N];
      int32_t outside = 0, far = 0;
      for (int l = 0; l < N; ++l) {
        fx[l] = Floor(u[l] * width);
        fy[l] = Floor(v[l] * height);
        outside |= !(fx[l] >= 0.0f && fx[l] < width && fy[l] >= 0.0f && fy[l] < height);
      }
      // Within one texture's size either side of it (NaN is not) the address modes need no
      // division.
      if (outside)
        for (int l = 0; l < N; ++l)
          far |= !(fx[l] >= -width && fx[l] < 2.0f * width && fy[l] >= -height &&
                   fy[l] < 2.0f * height);
      if (!far) {
        alignas(32) int32_t ix[N], iy[N];
        for (int l = 0; l < N; ++l) {
          ix[l] = static_cast<int32_t>(fx[l]);
          iy[l] = static_cast<int32_t>(fy[l]);
        }
        NearTexels<N>(s, ix, iy, outside, texel);
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
  if (words) std::copy(texel, texel + N, words);
  // Only the channels the program goes on to read.
  static constexpr int kShift[4] = {16, 8, 0, 24};
  for (int i = 0; i < 4; ++i)
    if (channels & (1u << i))
      for (int l = 0; l < N; ++l) out[i][l] = ChannelValue(texel[l], kShift[i]);
}

// An interpolated value on the lanes of a triangle without perspective: the plane in double,
// rounded to float once. fx holds each lane's x − refX, fy the row's y − refY.
template <int N>
[[gnu::always_inline]] inline void InterpolateAffine(const TriangleGradients &g, int varying,
                                                     double fy, const double *fx, float *out) {
  const double base = g.v0[varying] + g.dvdy[varying] * fy, step = g.dvdx[varying];
  for (int l = 0; l < N; ++l) out[l] = static_cast<float>(base + step * fx[l]);
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

// Runs one instruction on the lanes; texkill adds a bit to *killed for every lane it discards.
template <int N>
[[gnu::always_inline]] inline void RunInstruction(const ShaderInstruction &in,
                                                  const ShaderEnvironment &env, LaneFile<N> &f,
                                                  uint64_t *killed) {
  static_assert(N <= 64, "one bit of the result per lane");
  Operand<N> sa, sb, sc;
  alignas(32) float o[4][N];
  {
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
        SampleLanes<N>(env.samplers[in.sampler], env.magnified, sa.own[0], sa.own[1], m, o,
                       nullptr);
      } else {
        SampleLanes<N>(env.samplers[in.sampler], env.magnified, a[0], a[1], m, o, nullptr);
      }
      break;
    case ShaderOp::TexKill:
      for (int l = 0; l < N; ++l)
        if (a[0][l] < 0.0f || a[1][l] < 0.0f || a[2][l] < 0.0f) *killed |= uint64_t{1} << l;
      return;
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
}

// Runs the program; returns a bit for every lane texkill discarded.
template <int N>
uint64_t RunLanes(const ShaderProgram &p, const ShaderEnvironment &env, LaneFile<N> &f) {
  uint64_t killed = 0;
  for (const ShaderInstruction &in : p.code) RunInstruction<N>(in, env, f, &killed);
  return killed;
}

} // namespace
} // namespace zrq::d3d9
