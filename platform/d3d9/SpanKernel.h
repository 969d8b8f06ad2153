// The fast span kernel, written once over the lane operations of one instruction set (L gives
// N pixels a block: four with SSE2, eight with AVX2). Only the files that instantiate it include
// it, each with a lane type of its own, so no function built for one instruction set is shared
// with code built for another.
//
// Per block of N pixels: texel coordinates in the general path's double arithmetic, truncated
// (they are known to be ≥ 0, where that is the floor); the texels loaded as a run when they lie
// one after another along a texture row, else one by one; depth compared and written; the texel
// shaded with the constant colour and combined with the target in 16-bit lanes, with Mul8's
// rounding and the output merger's saturation.
#pragma once

#include "platform/d3d9/FastSpan.h"

#include <cstddef>
#include <cstring>

// The steps of a block are inlined into the span loop whatever the compiler's estimate of
// their size: a call per block would cost as much as the block.
#define ZRQ_SPAN_INLINE [[gnu::always_inline]] inline

namespace zrq::d3d9 {

template <class L> class SpanKernelFor {
public:
  // Every kernel of the instruction set, by blend, shading and depth test.
  static SpanKernelTable Table() {
    SpanKernelTable table;
    Fill<FastBlend::Write>(table);
    Fill<FastBlend::Add>(table);
    Fill<FastBlend::Over>(table);
    Fill<FastBlend::Mixed>(table);
    table.run = &Row;
    return table;
  }

private:
  using P = typename L::P; // N pixels (or N 32-bit numbers)
  using H = typename L::H; // the channels of N / 2 pixels in 16-bit lanes
  using D = typename L::D; // N / 2 doubles
  static constexpr int N = L::N;

  // A triangle's constants, splatted once, and a row's.
  struct Terms {
    D u0, dudx, cu, width;
    D v0, dvdx, cv, height;
    D z0, dzdx, cz;
    P z24, stencilBits;
    P alphaOr, kAdd, dstOr, writeMask;
    H kMul, factor, alphaLanes, full;
    bool partialMask;
    DWORD srcColour, destColour, srcAlpha, destAlpha, opColour, opAlpha;
    bool sameAlpha; // alpha blends as colour does
  };

  // Where a block's pixels are, and which texel row they read when it is the same for all.
  struct Place {
    uint32_t *dst, *depth;
    const uint32_t *texelRow; // null when the row varies along the span
  };

  template <FastBlend Kind> static void Fill(SpanKernelTable &table) {
    const int k = static_cast<int>(Kind);
    table.kernels[k][0][0] = &Run<Kind, false, false>;
    table.kernels[k][0][1] = &Run<Kind, false, true>;
    table.kernels[k][1][0] = &Run<Kind, true, false>;
    table.kernels[k][1][1] = &Run<Kind, true, true>;
  }

  template <FastBlend Kind, bool Shaded, bool Depth>
  static void Run(const FastTriangle &t, FastRow *rows, int count) {
    Terms c;
    c.u0 = L::SplatD(t.u0), c.dudx = L::SplatD(t.dudx), c.width = L::SplatD(t.width);
    c.v0 = L::SplatD(t.v0), c.dvdx = L::SplatD(t.dvdx), c.height = L::SplatD(t.height);
    c.z0 = L::SplatD(t.z0), c.dzdx = L::SplatD(t.dzdx);
    c.z24 = L::Splat(t.z24);
    c.stencilBits = L::Splat(0xFF);
    c.alphaOr = L::Splat(t.alphaOr);
    c.kAdd = L::Splat(t.kAdd);
    c.dstOr = L::Splat(t.dstOr);
    c.writeMask = L::Splat(t.writeMask);
    c.kMul = L::Splat16(t.kMul);
    c.factor = L::Splat16(t.blendFactor);
    c.full = L::Splat16(0xFFFFFFFFu);                           // 255 in every lane
    c.alphaLanes = L::CmpEq16(L::Splat16(0xFF000000u), c.full); // all ones in the alpha lanes
    c.partialMask = t.writeMask != 0xFFFFFFFFu;
    c.srcColour = t.srcColour, c.destColour = t.destColour, c.opColour = t.opColour;
    c.srcAlpha = t.srcAlpha, c.destAlpha = t.destAlpha, c.opAlpha = t.opAlpha;
    c.sameAlpha =
        t.srcAlpha == t.srcColour && t.destAlpha == t.destColour && t.opAlpha == t.opColour;
    for (int k = 0; k < count; ++k) rows[k].drawn = Span<Kind, Shaded, Depth>(t, rows[k], c);
  }

  // Draws the span's blocks from the left while their texels lie inside the texture; returns
  // the pixels drawn.
  template <FastBlend Kind, bool Shaded, bool Depth>
  ZRQ_SPAN_INLINE static int Span(const FastTriangle &t, const FastRow &r, Terms &c) {
    // The general path's products for this row.
    const double fy = r.y - t.refY, fx0 = r.x0 - t.refX;
    c.cu = L::SplatD(t.dudy * fy), c.cv = L::SplatD(t.dvdy * fy), c.cz = L::SplatD(t.dzdy * fy);
    Place at{t.target + static_cast<ptrdiff_t>(r.y) * t.targetPitch + r.x0,
             Depth ? t.depth + static_cast<ptrdiff_t>(r.y) * t.depthPitch + r.x0 : nullptr,
             nullptr};
    if (t.rowV) {
      const double v = ((t.v0 + t.dvdx * fx0) + t.dvdy * fy) * t.height;
      if (!(v >= 0.0 && v < t.height)) return 0;
      at.texelRow = t.texels + static_cast<ptrdiff_t>(v) * t.texPitch;
    }
    int first = 0, step = 0;
    if (at.texelRow && TexelWalk(t, fx0, t.dudy * fy, r.count, &first, &step)) {
      // Texels written as they lie along the row: a copy, whose string stores write the target
      // without reading it first.
      if (Kind == FastBlend::Write && !Shaded && !Depth && step == 1 && t.alphaOr == 0 &&
          !c.partialMask) {
        std::memcpy(at.dst, at.texelRow + first, static_cast<size_t>(r.count) * 4);
        return r.count;
      }
      return Blocks<Kind, Shaded, Depth, true>(t, r, c, fx0, at, first, step);
    }
    return Blocks<Kind, Shaded, Depth, false>(t, r, c, fx0, at, 0, 0);
  }

  // The span's blocks, from the left; with Walk, texel column first + step·j for pixel j.
  template <FastBlend Kind, bool Shaded, bool Depth, bool Walk>
  ZRQ_SPAN_INLINE static int Blocks(const FastTriangle &t, const FastRow &r, const Terms &c,
                                    double fx0, Place at, int first, int step) {
    // Pixels from x0 to the end of the row's memory in the target (and depth words).
    const int room =
        (Depth ? (t.targetPitch < t.depthPitch ? t.targetPitch : t.depthPitch) : t.targetPitch) -
        r.x0;
    P walk = L::Zero(), walkStep = L::Zero();
    if constexpr (Walk) {
      walk = L::Add(L::Splat(static_cast<uint32_t>(first)),
                    L::Mul(L::Iota(), L::Splat(static_cast<uint32_t>(step))));
      walkStep = L::Splat(static_cast<uint32_t>(step * N));
    }
    int i = 0;
    for (; i + N <= r.count; i += N) {
      if (!Block<Kind, Shaded, Depth, Walk>(t, c, fx0 + i, N, at, walk, step)) return i;
      at.dst += N;
      if constexpr (Depth) at.depth += N;
      if constexpr (Walk) walk = L::Add(walk, walkStep);
    }
    if (i == r.count) return i;
    const int rest = r.count - i;
    // The last pixels: where the rows' memory reaches a whole block further, the block reads
    // and writes back the pixels past the span unchanged; else it works on a copy.
    if (room - i >= N)
      return Block<Kind, Shaded, Depth, Walk>(t, c, fx0 + i, rest, at, walk, step) ? r.count : i;
    const size_t bytes = static_cast<size_t>(rest) * 4;
    alignas(64) uint32_t dst[N] = {}, depth[N] = {};
    std::memcpy(dst, at.dst, bytes);
    if constexpr (Depth) std::memcpy(depth, at.depth, bytes);
    const Place copy{dst, depth, at.texelRow};
    if (!Block<Kind, Shaded, Depth, Walk>(t, c, fx0 + i, rest, copy, walk, step)) return i;
    std::memcpy(at.dst, dst, bytes);
    if constexpr (Depth) std::memcpy(at.depth, depth, bytes);
    return r.count;
  }

  // The `valid` pixels whose first is fx = base; the block reads and writes N pixels at
  // at.dst (and at.depth), leaving those past `valid` as they were. False, with nothing
  // written, when a texel lies outside the texture. With Walk the texel columns are `walk`.
  template <FastBlend Kind, bool Shaded, bool Depth, bool Walk>
  ZRQ_SPAN_INLINE static bool Block(const FastTriangle &t, const Terms &c, double base, int valid,
                                    const Place &at, P walk, int step) {
    // x − refX of each pixel, exact; lanes past the span repeat its last pixel.
    D fxLo = L::AddD(L::SplatD(base), L::IotaLo()), fxHi = L::AddD(L::SplatD(base), L::IotaHi());
    P pass = L::AllOnes();
    unsigned validBits = L::kAll;
    if (valid < N) {
      const D last = L::SplatD(base + (valid - 1));
      fxLo = L::MinD(fxLo, last);
      fxHi = L::MinD(fxHi, last);
      pass = L::CmpGt(L::Splat(static_cast<uint32_t>(valid)), L::Iota());
      validBits = (1u << valid) - 1;
    }

    // Texel coordinates, as the general path computes them, all inside the texture: there
    // truncation is the floor.
    P iu, iv = L::Zero();
    if constexpr (Walk) {
      iu =
          valid < N ? L::Select(pass, walk, L::Splat(static_cast<uint32_t>(L::First(walk)))) : walk;
    } else {
      const D uLo = L::MulD(Plane(c.u0, c.dudx, c.cu, fxLo), c.width);
      const D uHi = L::MulD(Plane(c.u0, c.dudx, c.cu, fxHi), c.width);
      if (!L::Inside(uLo, uHi, c.width)) return false;
      iu = L::Trunc(uLo, uHi);
      if (!at.texelRow) {
        const D vLo = L::MulD(Plane(c.v0, c.dvdx, c.cv, fxLo), c.height);
        const D vHi = L::MulD(Plane(c.v0, c.dvdx, c.cv, fxHi), c.height);
        if (!L::Inside(vLo, vHi, c.height)) return false;
        iv = L::Trunc(vLo, vHi);
      }
    }

    if constexpr (Depth) {
      const P words = L::Load(at.depth);
      const P z = t.constantZ ? c.z24
                              : L::Depth24(Plane(c.z0, c.dzdx, c.cz, fxLo),
                                           Plane(c.z0, c.dzdx, c.cz, fxHi));
      pass = L::And(pass, Compare(t.depthFunc, z, L::Srl8(words)));
      if (L::Mask(pass) == 0) return true;
      if (t.depthWrite)
        L::Store(at.depth, L::Select(pass, L::Or(L::Sll8(z), L::And(words, c.stencilBits)), words));
    }
    const bool all = L::Mask(pass) == L::kAll;

    P texels;
    if (Walk && valid == N && step == 1)
      texels = L::Load(at.texelRow + L::First(iu));
    else if (Walk && valid == N && step == -1)
      texels = L::Reverse(L::Load(at.texelRow + L::First(iu) - (N - 1)));
    else if (Walk && valid == N)
      texels = L::GatherStep(at.texelRow + L::First(iu), step);
    else
      texels = Texels(t, at.texelRow, iu, iv, validBits);
    P src = L::Or(texels, c.alphaOr);
    if constexpr (Shaded)
      src = L::AddsU8(L::Pack(L::Mul8(L::Lo(src), c.kMul), L::Mul8(L::Hi(src), c.kMul)), c.kAdd);
    if constexpr (Kind == FastBlend::Write) {
      if (all && !c.partialMask) {
        L::Store(at.dst, src);
        return true;
      }
    }
    const P d = L::Load(at.dst);
    P out = src;
    if constexpr (Kind != FastBlend::Write) out = Combine<Kind>(src, L::Or(d, c.dstOr), c);
    if (c.partialMask) out = L::Or(L::And(out, c.writeMask), L::AndNot(c.writeMask, d));
    if (!all) out = L::Select(pass, out, d);
    L::Store(at.dst, out);
    return true;
  }

  // A run of spans of triangles side by side (see FastRun), texels written as they are: whole
  // blocks across the triangles' borders, each lane working with its own triangle's terms.
  static int Row(const FastTriangle &t, const FastRun &run, int *failed) {
    const P alphaOr = L::Splat(t.alphaOr);
    const D width = L::SplatD(t.width), height = L::SplatD(t.height);
    const D last = L::SplatD(run.x0 + run.count - 1);
    uint32_t *const dst = t.target + static_cast<ptrdiff_t>(run.y) * t.targetPitch + run.x0;
    const int room = t.targetPitch - run.x0; // pixels from x0 to the end of the row's memory
    int failures = 0;
    for (int i = 0; i < run.count; i += N) {
      const int valid = run.count - i < N ? run.count - i : N;
      P texels;
      if (!RunTexels(t, run, i, valid, last, width, height, &texels)) {
        failed[2 * failures] = i, failed[2 * failures + 1] = i + valid;
        ++failures;
        continue;
      }
      const P src = L::Or(texels, alphaOr);
      if (valid == N) {
        L::Store(dst + i, src);
      } else if (room - i >= N) {
        // The pixels past the run are read and written back as they were.
        const P pass = L::CmpGt(L::Splat(static_cast<uint32_t>(valid)), L::Iota());
        L::Store(dst + i, L::Select(pass, src, L::Load(dst + i)));
      } else {
        alignas(64) uint32_t out[N];
        L::Store(out, src);
        std::memcpy(dst + i, out, static_cast<size_t>(valid) * 4);
      }
    }
    return failures;
  }

  // The texels of the run's pixels i .. i + valid − 1 (the lanes past them repeat the last);
  // false when one lies outside the texture.
  ZRQ_SPAN_INLINE static bool RunTexels(const FastTriangle &t, const FastRun &run, int i, int valid,
                                        D last, D width, D height, P *texels) {
    constexpr int Half = N / 2;
    const D x = L::SplatD(run.x0 + i);
    const D xLo = L::MinD(L::AddD(x, L::IotaLo()), last),
            xHi = L::MinD(L::AddD(x, L::IotaHi()), last);
    const uint16_t *segment = run.segment + i;
    const int lo = segment[0], hi = segment[Half];
    const auto iLo = L::SegmentIndex(segment, lo), iHi = L::SegmentIndex(segment + Half, hi);
    // x − refX of each lane's triangle, exact, then the general path's planes.
    const D fxLo = L::SubD(xLo, L::Pick(run.refX + lo, iLo)),
            fxHi = L::SubD(xHi, L::Pick(run.refX + hi, iHi));
    auto plane = [&](const double *c0, const double *d, const double *cy, const auto &index,
                     int base, D fx) {
      return Plane(L::Pick(c0 + base, index), L::Pick(d + base, index), L::Pick(cy + base, index),
                   fx);
    };
    const D uLo = L::MulD(plane(run.u0, run.dudx, run.cu, iLo, lo, fxLo), width);
    const D uHi = L::MulD(plane(run.u0, run.dudx, run.cu, iHi, hi, fxHi), width);
    if (!L::Inside(uLo, uHi, width)) return false;
    const D vLo = L::MulD(plane(run.v0, run.dvdx, run.cv, iLo, lo, fxLo), height);
    const D vHi = L::MulD(plane(run.v0, run.dvdx, run.cv, iHi, hi, fxHi), height);
    if (!L::Inside(vLo, vHi, height)) return false;
    const unsigned validBits = valid < N ? (1u << valid) - 1 : L::kAll;
    *texels = Texels(t, nullptr, L::Trunc(uLo, uHi), L::Trunc(vLo, vHi), validBits);
    return true;
  }

  // ((c0 + d·fx) + cy), the general path's order of operations.
  ZRQ_SPAN_INLINE static D Plane(D c0, D d, D cy, D fx) {
    return L::AddD(L::AddD(c0, L::MulD(d, fx)), cy);
  }

  // Whether the lanes in `validBits` of a comparison all hold.
  ZRQ_SPAN_INLINE static bool AllOf(P m, unsigned validBits) {
    return (L::Mask(m) & validBits) == validBits;
  }

  // The texels at (iu, iv), or at iu along `row` when the block reads one row.
  ZRQ_SPAN_INLINE static P Texels(const FastTriangle &t, const uint32_t *row, P iu, P iv,
                                  unsigned validBits) {
    if (!row) {
      // A slanted triangle's texel row changes now and then along a span: where it does not
      // within the block, the block reads one row.
      const int v = L::First(iv);
      if (!AllOf(L::CmpEq(iv, L::Splat(static_cast<uint32_t>(v))), validBits))
        return L::Gather2(t.texels, t.texPitch, iv, iu);
      row = t.texels + static_cast<ptrdiff_t>(v) * t.texPitch;
    }
    // One texel after the other along the row, forwards or backwards: loaded as they lie, when
    // the N texels from the first on stay inside the row.
    const int first = L::First(iu);
    const P start = L::Splat(static_cast<uint32_t>(first));
    if (first + N <= t.texWidth && AllOf(L::CmpEq(iu, L::Add(start, L::Iota())), validBits))
      return L::Load(row + first);
    if (first >= N - 1 && AllOf(L::CmpEq(iu, L::Sub(start, L::Iota())), validBits))
      return L::Reverse(L::Load(row + first - (N - 1)));
    return L::Gather(row, iu);
  }

  // Lanes where the depth test passes; z and stored are 24-bit.
  ZRQ_SPAN_INLINE static P Compare(DWORD func, P z, P stored) {
    switch (func) {
    case D3DCMP_NEVER:
      return L::Zero();
    case D3DCMP_LESS:
      return L::CmpGt(stored, z);
    case D3DCMP_EQUAL:
      return L::CmpEq(z, stored);
    case D3DCMP_LESSEQUAL:
      return L::AndNot(L::CmpGt(z, stored), L::AllOnes());
    case D3DCMP_GREATER:
      return L::CmpGt(z, stored);
    case D3DCMP_NOTEQUAL:
      return L::AndNot(L::CmpEq(z, stored), L::AllOnes());
    case D3DCMP_GREATEREQUAL:
      return L::AndNot(L::CmpGt(stored, z), L::AllOnes());
    default:
      return L::AllOnes(); // ALWAYS, and unknown functions as the general path reads them
    }
  }

  template <FastBlend Kind> ZRQ_SPAN_INLINE static P Combine(P s, P d, const Terms &c) {
    if constexpr (Kind == FastBlend::Add) {
      return L::AddsU8(s, d);
    } else if constexpr (Kind == FastBlend::Over) {
      return L::Pack(Over(L::Lo(s), L::Lo(d), c), Over(L::Hi(s), L::Hi(d), c));
    } else {
      return L::Pack(Mixed(L::Lo(s), L::Lo(d), c), Mixed(L::Hi(s), L::Hi(d), c));
    }
  }

  ZRQ_SPAN_INLINE static H Over(H s, H d, const Terms &c) {
    const H a = L::SpreadAlpha(s);
    return L::Add16(L::Mul8(s, a), L::Mul8(d, L::Sub16(c.full, a)));
  }

  static H Factor(DWORD f, H s, H d, const Terms &c) {
    switch (f) {
    case D3DBLEND_ZERO:
      return L::Zero();
    case D3DBLEND_SRCCOLOR:
      return s;
    case D3DBLEND_INVSRCCOLOR:
      return L::Sub16(c.full, s);
    case D3DBLEND_SRCALPHA:
      return L::SpreadAlpha(s);
    case D3DBLEND_INVSRCALPHA:
      return L::Sub16(c.full, L::SpreadAlpha(s));
    case D3DBLEND_DESTALPHA:
      return L::SpreadAlpha(d);
    case D3DBLEND_INVDESTALPHA:
      return L::Sub16(c.full, L::SpreadAlpha(d));
    case D3DBLEND_DESTCOLOR:
      return d;
    case D3DBLEND_INVDESTCOLOR:
      return L::Sub16(c.full, d);
    case D3DBLEND_SRCALPHASAT: {
      // min(As, 1 − Ad) on colour, one on alpha.
      const H m = L::Min16(L::SpreadAlpha(s), L::Sub16(c.full, L::SpreadAlpha(d)));
      return L::Or(L::AndNot(c.alphaLanes, m), L::And(c.alphaLanes, c.full));
    }
    case D3DBLEND_BLENDFACTOR:
      return c.factor;
    case D3DBLEND_INVBLENDFACTOR:
      return L::Sub16(c.full, c.factor);
    default:
      return c.full; // ONE; the set-up resolves every other value to a plain factor
    }
  }

  static H Operate(DWORD op, DWORD sf, DWORD df, H s, H d, const Terms &c) {
    switch (op) {
    case D3DBLENDOP_MIN:
      return L::Min16(s, d);
    case D3DBLENDOP_MAX:
      return L::Max16(s, d);
    default:
      break;
    }
    const H a = L::Mul8(s, Factor(sf, s, d, c)), b = L::Mul8(d, Factor(df, s, d, c));
    switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return L::SubsU16(a, b);
    case D3DBLENDOP_REVSUBTRACT:
      return L::SubsU16(b, a);
    default:
      return L::Add16(a, b); // ADD; the pack saturates at 255
    }
  }

  static H Mixed(H s, H d, const Terms &c) {
    const H colour = Operate(c.opColour, c.srcColour, c.destColour, s, d, c);
    if (c.sameAlpha) return colour;
    const H alpha = Operate(c.opAlpha, c.srcAlpha, c.destAlpha, s, d, c);
    return L::Or(L::AndNot(c.alphaLanes, colour), L::And(c.alphaLanes, alpha));
  }
};

} // namespace zrq::d3d9

#undef ZRQ_SPAN_INLINE
