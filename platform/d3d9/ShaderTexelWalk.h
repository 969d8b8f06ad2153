// Texture reads that walk the texture: when a pixel shader only packs texel channels into its
// colour, and each read's coordinates are an interpolated texture coordinate, alone or plus a
// constant, point sampled on a triangle without perspective, the texel a pixel reads is found
// along a span without interpolating or sampling pixel by pixel. A bound on the float roundings
// of the general path proves, for the span, that its texel column and row are whole numbers
// moving by fixed steps; a read for which the bound is too loose to prove it is sampled pixel by
// pixel as the general path samples it, and perspective takes the general path.
#pragma once

#include "platform/d3d9/ShaderLanes.h"
#include "platform/d3d9/ShaderStep.h"
#include "platform/d3d9/TexelSteps.h"

#include <cmath>

namespace zrq::d3d9 {
// Each file that runs shaders gets its own copy, built for its own instruction set.
namespace {

// The colour's four channels come from at most four reads.
inline constexpr size_t kMaxWalkedReads = 4;

// Of one span: the texel coordinate (before the address mode) of its pixel x0 + l is
// first + step·l.
struct TexelLine {
  int64_t first;
  int64_t step;
};

// Proves the texel coordinate along pixels x0 .. x0 + count − 1 of row y: the lanes compute
// floor(fl(fl(float(base + dvdx·fx) + constant)·size)) (ShaderSpanLanes.h, then the add step,
// then SampleLanes), where fx = x − refX and base = v0 + dvdy·(y − refY) in double. Each float
// operation is off by at most half a unit in its last place of its result, 2⁻²⁴ of it; the
// double ones by far less. So every lane's product lies within `error` of the exact line
// R(x0 + l) = R0 + D·l; when R0 stays further than `error` plus the drift of D from the whole
// number k from the nearest whole numbers, every lane's floor is floor(R0) + k·l.
inline bool ProveTexelLine(const TriangleGradients &g, const ShaderSteps::Coordinate &c, int y,
                           int x0, int count, int size, TexelLine *line) {
  const double v0 = g.v0[c.varying], dvdx = g.dvdx[c.varying], dvdy = g.dvdy[c.varying];
  const double fy = y - g.refY, fx0 = x0 - g.refX, fx1 = fx0 + (count - 1);
  const double constant = c.offset ? static_cast<double>(c.constant) : 0.0;
  const double w = size;
  // Above every value the lanes compute before the product (the product is within m·w).
  const double m = (std::fabs(v0) + std::fabs(dvdy * fy) +
                    std::max(std::fabs(dvdx * fx0), std::fabs(dvdx * fx1)) + std::fabs(constant)) *
                   (1.0 + 0x1p-20);
  // Far from the range where whole texel numbers stay exact (and NaN or infinity anywhere).
  if (!(m * w < 0x1p22)) return false;
  // Three float roundings, given a fourth for the double ones and the bound's own; 2⁻¹²⁰ for
  // results below the normal range, kept or flushed to zero.
  const double error = 4.0 * 0x1p-24 * m * w + 0x1p-120 * w;
  const double r0 = ((v0 + dvdy * fy) + dvdx * fx0 + constant) * w;
  return WholeTexelSteps(r0, dvdx * w, count, error, 0x1p-50, &line->first, &line->step);
}

// Finds the draws whose program the walk can run: every instruction left is a texture read
// whose texel words the colour is packed from, or moves and adds that make their coordinates
// from t# and constants. Fills out->walks (left empty for any other program); call after the
// steps are made, `n` words to a row.
inline void PlanTexelWalks(const ShaderProgram &program, ShaderSteps *out, int n) {
  out->walks.clear();
  if (!out->packsTexels || program.discards || program.writesDepth) return;
  using Coordinate = ShaderSteps::Coordinate;
  // What each register component holds, as a coordinate; varying −1 for anything else.
  Coordinate form[reg::kCount][4];
  for (int t = 0; t < 8; ++t)
    for (int i = 0; i < 4; ++i)
      if ((program.texCoordsRead & (1u << t)) && (program.texCoordComponents[t] & (1u << i)))
        form[reg::kTexture + t][i] = {TexCoordVarying(t) + i, false, 0.0f};
  std::vector<ShaderSteps::WalkedRead> walks;
  for (const ShaderInstruction &in : out->code) {
    const ShaderSource &a = in.src[0];
    const bool plain = !a.constant && !a.relative && !a.negate && !a.absolute && !in.saturate;
    if (in.op == ShaderOp::Tex) {
      if (!plain || in.wordRow < 0) return;
      const Coordinate u = form[a.index][a.swizzle[0]], v = form[a.index][a.swizzle[1]];
      if (u.varying < 0 || v.varying < 0 || walks.size() == kMaxWalkedReads) return;
      walks.push_back(
          {in.sampler, u, v,
           out->words.data() + static_cast<size_t>(in.wordRow) * static_cast<size_t>(n)});
      for (Coordinate &f : form[in.dst]) f = Coordinate{};
      continue;
    }
    Coordinate now[4];
    for (int i = 0; i < 4; ++i) {
      if (!(in.mask & (1u << i))) continue;
      if (in.op == ShaderOp::Mov) {
        if (!plain) return;
        now[i] = form[a.index][a.swizzle[i]];
      } else if (in.op == ShaderOp::Add || in.op == ShaderOp::Sub) {
        // A register plus a constant, in either order; x − k is x + (−k) to the bit.
        const int at = a.constant ? 1 : 0;
        const ShaderSource &r = in.src[at], &k = in.src[1 - at];
        if (in.saturate || r.constant || r.relative || r.negate || r.absolute || !k.constant ||
            (in.op == ShaderOp::Sub && at == 1))
          return;
        const Coordinate from = form[r.index][r.swizzle[i]];
        if (from.varying < 0 || from.offset) return;
        float value = out->constants[4 * static_cast<size_t>(k.index) + k.swizzle[i]];
        if (k.absolute) value = Abs(value);
        if (k.negate) value = -value;
        if (in.op == ShaderOp::Sub) value = -value;
        now[i] = {from.varying, true, value};
      } else {
        return;
      }
    }
    for (int i = 0; i < 4; ++i)
      if (in.mask & (1u << i)) form[in.dst][i] = now[i];
  }
  for (int i = 0; i < 4; ++i)
    for (size_t j = 0; j < walks.size(); ++j)
      if (walks[j].words == out->row[i]) out->walkOf[i] = static_cast<int>(j);
  out->walks = std::move(walks);
}

// A span's reads: the lines of read j's coordinates (u, then v), and whether they are proven.
struct SpanWalk {
  TexelLine lines[kMaxWalkedReads][2];
  bool proven[kMaxWalkedReads];
};

// Proves the lines of the reads' coordinates along the span x0..x1 of row y of a triangle
// without perspective; a read is proven when point sampled from a texture and both its lines
// hold.
inline void ProveWalks(const ShaderSteps &steps, const PixelSetup &s, const TriangleGradients &g,
                       int y, int x0, int x1, SpanWalk *walk) {
  const int count = x1 - x0 + 1;
  for (size_t j = 0; j < steps.walks.size(); ++j) {
    const ShaderSteps::WalkedRead &read = steps.walks[j];
    const StageSetup &stage = s.shaderSamplers[read.sampler];
    const DWORD filter = g.magnified[0] ? stage.sampler.magFilter : stage.sampler.minFilter;
    TexelLine(&lines)[2] = walk->lines[j];
    walk->proven[j] = stage.hasTexture && (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE) &&
                      ProveTexelLine(g, read.u, y, x0, count, stage.texture.width, &lines[0]) &&
                      ProveTexelLine(g, read.v, y, x0, count, stage.texture.height, &lines[1]);
  }
}

// The interpolated coordinates of a block's reads that are not proven, each made once however
// many reads share it (as the general path interpolates each t# once).
template <int N> struct InterpolatedRows {
  alignas(32) float rows[2 * kMaxWalkedReads][N];
  int varying[2 * kMaxWalkedReads];
  int count = 0;

  const float *Of(const TriangleGradients &g, int v, double fy, const double *fx) {
    for (int k = 0; k < count; ++k)
      if (varying[k] == v) return rows[k];
    InterpolateAffine<N>(g, v, fy, fx, rows[count]);
    varying[count] = v;
    return rows[count++];
  }
};

// A read whose lines are not proven, sampled pixel by pixel as the general path samples it: the
// coordinates interpolated, the constant added, SampleLanes; its words into `words`.
template <int N>
void SampleUnwalked(const StageSetup &s, const TriangleGradients &g,
                    const ShaderSteps::WalkedRead &read, double fy, const double *fx,
                    InterpolatedRows<N> *interpolated, uint32_t *words) {
  alignas(32) float shifted[2][N];
  const float *uv[2];
  const ShaderSteps::Coordinate *c[2] = {&read.u, &read.v};
  for (int i = 0; i < 2; ++i) {
    uv[i] = interpolated->Of(g, c[i]->varying, fy, fx);
    if (!c[i]->offset) continue;
    for (int l = 0; l < N; ++l) shifted[i][l] = uv[i][l] + c[i]->constant;
    uv[i] = shifted[i];
  }
  SampleLanes<N>(s, g.magnified[0], uv[0], uv[1], 0, nullptr, words);
}

// The texel words of lanes 0 .. n − 1 of a block whose first pixel is `along` pixels into the
// span, as SampleLanes reads them, each to be or'ed with *alphaOr: a whole block inside the
// texture, along a row, as it lies in the texture; the rest into `words`, inside the texture as
// a strided walk, within one size of it through the address modes as a vector, else texel by
// texel.
template <int N>
const uint32_t *WalkTexels(const StageSetup &s, const TexelLine &u, const TexelLine &v, int along,
                           int n, uint32_t *words, uint32_t *alphaOr) {
  const int64_t x = u.first + u.step * along, y = v.first + v.step * along;
  const int64_t xLast = x + u.step * (n - 1), yLast = y + v.step * (n - 1);
  const int64_t xMin = std::min(x, xLast), xMax = std::max(x, xLast);
  const int64_t yMin = std::min(y, yLast), yMax = std::max(y, yLast);
  const int64_t w = s.texture.width, h = s.texture.height;
  *alphaOr = 0;
  if (xMin >= 0 && xMax < w && yMin >= 0 && yMax < h) {
    const uint32_t *from = s.texture.texels + y * s.texture.pitch + x;
    const int64_t stride = v.step * s.texture.pitch + u.step;
    if (stride == 1 && n == N) {
      *alphaOr = s.texture.alphaOr;
      return from;
    }
    const uint32_t texelOr = s.texture.alphaOr;
    for (int l = 0; l < n; ++l) words[l] = from[stride * l] | texelOr;
    return words;
  }
  if (xMin >= -w && xMax < 2 * w && yMin >= -h && yMax < 2 * h) {
    // The lanes past the span repeat the first, so that every lane stays near.
    alignas(32) int32_t ix[N], iy[N];
    for (int l = 0; l < N; ++l) {
      const int64_t k = l < n ? l : 0;
      ix[l] = static_cast<int32_t>(x + u.step * k);
      iy[l] = static_cast<int32_t>(y + v.step * k);
    }
    NearTexels<N>(s, ix, iy, true, words);
    return words;
  }
  for (int l = 0; l < n; ++l) words[l] = FetchTexel(s, x + u.step * l, y + v.step * l);
  return words;
}

// The texel words of a walked program's block of n pixels, `along` pixels into its span (fx and
// fy as the lanes have them): for each component of the colour, its words and what to or them
// with.
template <int N>
void WalkBlock(const ShaderSteps &steps, const PixelSetup &s, const TriangleGradients &g,
               const SpanWalk &walk, double fy, const double *fx, int along, int n,
               const uint32_t **source, uint32_t *sourceOr) {
  const uint32_t *read[kMaxWalkedReads] = {};
  uint32_t readOr[kMaxWalkedReads] = {};
  InterpolatedRows<N> interpolated;
  for (size_t j = 0; j < steps.walks.size(); ++j) {
    const ShaderSteps::WalkedRead &r = steps.walks[j];
    const StageSetup &stage = s.shaderSamplers[r.sampler];
    if (walk.proven[j]) {
      read[j] =
          WalkTexels<N>(stage, walk.lines[j][0], walk.lines[j][1], along, n, r.words, &readOr[j]);
    } else {
      SampleUnwalked<N>(stage, g, r, fy, fx, &interpolated, r.words);
      read[j] = r.words;
    }
  }
  for (int i = 0; i < 4; ++i) {
    source[i] = read[steps.walkOf[i]];
    sourceOr[i] = readOr[steps.walkOf[i]];
  }
}

} // namespace
} // namespace zrq::d3d9
