// The pixel shader over the spans of a triangle, a block of N pixels at a time: the varyings
// interpolated into the block's registers, the program run on them (as prepared steps, or
// interpreted), and the colours merged into the target.
#pragma once

#include "platform/d3d9/ShaderLaneSteps.h"

#include <algorithm>

namespace zrq::d3d9 {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

// A shader colour as an 8-bit channel: 0 below 0 (and for NaN), 255 from 1 up.
inline uint32_t ShaderByte(float c) {
  c = c > 0.0f ? c : 0.0f;
  c = c < 1.0f ? c : 1.0f;
  return static_cast<uint32_t>(static_cast<int32_t>(c * 255.0f + 0.5f));
}

// Shades pixels x0..x1 of row y of a triangle with the pixel shader, N at a time.
template <int N>
void ShadeShaderSpanLanes(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1,
                          bool depthPassed) {
  const ShaderProgram &p = *s.pixelShader;
  // The registers stay with the device from span to span: a program reads only what it wrote
  // before or what is interpolated here (or ReadsUnwritten zeroes them).
  static_assert(sizeof(LaneFile<N>) <= kShaderRegisterFloats * sizeof(float));
  LaneFile<N> &f = *reinterpret_cast<LaneFile<N> *>(s.shaderRegisters);
  // Prepared steps read the constants of their own program, which adds some to the device's.
  const ShaderSteps *steps = s.shaderSteps;
  const ShaderEnvironment env =
      steps ? ShaderEnvironment{reinterpret_cast<const float(*)[4]>(steps->constants.data()),
                                static_cast<int>(steps->constants.size() / 4), s.shaderSamplers,
                                g.magnified[0]}
            : ShaderEnvironment{s.psConstants, 32, s.shaderSamplers, g.magnified[0]};
  const double fy = y - g.refY;
  const uint8_t texMask = p.texCoordsRead, colorMask = p.colorsRead;
  // A program of texel reads alone walks the texture (ShaderTexelWalk.h).
  SpanWalk walk{};
  const bool walking = steps && !steps->walks.empty() && g.affine;
  if (walking) ProveWalks(*steps, s, g, y, x0, x1, &walk);
  for (int x = x0; x <= x1; x += N) {
    alignas(32) double fx[N];
    for (int l = 0; l < N; ++l) fx[l] = x + l - g.refX;
    uint64_t killed = 0;
    // Where a colour packed from texels takes each component's words, and what to or them with.
    const uint32_t *source[4] = {};
    uint32_t sourceOr[4] = {};
    if (walking) {
      WalkBlock<N>(*steps, s, g, walk, fy, fx, x - x0, std::min(N, x1 - x + 1), source, sourceOr);
    } else {
      if (p.readsUnwritten) {
        std::fill(&f.r[reg::kTemp][0][0], &f.r[reg::kInput][0][0], 0.0f);
        std::fill(&f.r[reg::kPixelColor][0][0], &f.r[reg::kPixelColor + 1][0][0], 0.0f);
      }
      auto interpolateAll = [&](auto interpolate) {
        for (int t = 0; t < 8; ++t)
          if (texMask & (1u << t))
            for (int i = 0; i < 4; ++i) {
              float *row = f.r[reg::kTexture + t][i];
              if (p.texCoordComponents[t] & (1u << i))
                interpolate(TexCoordVarying(t) + i, row);
              else if (!steps) // prepared steps zero them once for the draw
                std::fill(row, row + N, 0.0f);
            }
        for (int v = 0; v < 2; ++v)
          if (colorMask & (1u << v))
            for (int i = 0; i < 4; ++i) interpolate(4 * v + i, f.r[reg::kInput + v][i]);
      };
      if (g.affine) {
        // Without perspective w is 1, and a product with 1 changes nothing.
        interpolateAll(
            [&](int varying, float *out) { InterpolateAffine<N>(g, varying, fy, fx, out); });
      } else {
        alignas(32) double w[N];
        for (int l = 0; l < N; ++l) {
          const double oow = g.w0 + g.dwdx * fx[l] + g.dwdy * fy;
          w[l] = oow != 0.0 ? 1.0 / oow : 0.0;
        }
        interpolateAll([&](int varying, float *out) {
          const double base = g.v0[varying] + g.dvdy[varying] * fy, step = g.dvdx[varying];
          for (int l = 0; l < N; ++l) out[l] = static_cast<float>((base + step * fx[l]) * w[l]);
        });
      }
      killed = steps ? RunSteps<N>(*steps, env, f) : RunLanes<N>(p, env, f);
      if (steps)
        for (int i = 0; i < 4; ++i) source[i] = steps->row[i];
    }
    const float(*colour)[N] = f.r[reg::kPixelColor];
    alignas(32) uint32_t packed[N];
    if (steps && steps->packsTexels) {
      const uint32_t *r = source[0], *g = source[1], *b = source[2], *a = source[3];
      const uint32_t ro = sourceOr[0], go = sourceOr[1], bo = sourceOr[2], ao = sourceOr[3];
      const int rs = steps->shift[0], gs = steps->shift[1], bs = steps->shift[2],
                as = steps->shift[3];
      for (int l = 0; l < N; ++l)
        packed[l] = (((a[l] | ao) >> as) & 0xFF) << 24 | (((r[l] | ro) >> rs) & 0xFF) << 16 |
                    (((g[l] | go) >> gs) & 0xFF) << 8 | (((b[l] | bo) >> bs) & 0xFF);
    } else {
      for (int l = 0; l < N; ++l)
        packed[l] = ShaderByte(colour[3][l]) << 24 | ShaderByte(colour[0][l]) << 16 |
                    ShaderByte(colour[1][l]) << 8 | ShaderByte(colour[2][l]);
    }
    const int n = std::min(N, x1 - x + 1);
    uint32_t *target = s.target + static_cast<ptrdiff_t>(y) * s.targetPitch + x;
    // A whole block as vectors: a copy of a length known only at run time is a string move, slow
    // to start for so few bytes.
    auto write = [&] {
      if (n == N)
        for (int l = 0; l < N; ++l) target[l] = packed[l];
      else
        std::copy(packed, packed + n, target);
    };
    if ((s.plainWrite || depthPassed) && !killed) {
      write();
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
        // Most often every pixel passes: then the words and pixels are written as blocks.
        int32_t fails = 0;
        for (int l = 0; l < n; ++l) fails |= !passes(z24[l], words[l] >> 8);
        if (!fails) {
          if (s.depthWrite)
            for (int l = 0; l < n; ++l) words[l] = z24[l] << 8 | (words[l] & 0xFF);
          write();
          return;
        }
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
