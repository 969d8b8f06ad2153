// Triangle set-up and scan conversion. Vertices are snapped to 1/256 pixel; coverage is
// decided exactly in integers on pixel centres (integer coordinates) with the top-left rule,
// so that triangles sharing an edge never both draw, nor both miss, a pixel on it.
#include "platform/d3d9/TriangleRows.h"

#include "platform/d3d9/DeferredDepth.h"
#include "platform/d3d9/RowRuns.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zrq::d3d9 {
namespace {

constexpr int64_t kSubPixels = 256;

int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
  int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

uint32_t ToByte(double c) {
  if (!(c > 0.0)) return 0;
  if (c >= 1.0) return 255;
  return static_cast<uint32_t>(c * 255.0 + 0.5);
}

uint32_t PackColour(double r, double g, double b, double a) {
  return ToByte(a) << 24 | ToByte(r) << 16 | ToByte(g) << 8 | ToByte(b);
}

// Whether a stage's texture is magnified (fewer texels than pixels) at the triangle's centre.
bool Magnified(const TriangleGradients &g, const StageSetup &stage, int slot, double cx,
               double cy) {
  const int u = TexCoordVarying(slot), v = u + 1;
  double dudx = g.dvdx[u], dudy = g.dvdy[u], dvdx = g.dvdx[v], dvdy = g.dvdy[v];
  if (!g.affine) {
    const double fx = cx - g.refX, fy = cy - g.refY;
    const double oow = g.w0 + g.dwdx * fx + g.dwdy * fy;
    if (!(std::fabs(oow) > 0.0)) return true;
    const double U = g.v0[u] + g.dvdx[u] * fx + g.dvdy[u] * fy;
    const double V = g.v0[v] + g.dvdx[v] * fx + g.dvdy[v] * fy;
    const double w2 = 1.0 / (oow * oow);
    dudx = (g.dvdx[u] * oow - U * g.dwdx) * w2;
    dudy = (g.dvdy[u] * oow - U * g.dwdy) * w2;
    dvdx = (g.dvdx[v] * oow - V * g.dwdx) * w2;
    dvdy = (g.dvdy[v] * oow - V * g.dwdy) * w2;
  }
  const double texelsPerPixel = std::fabs(dudx * dvdy - dudy * dvdx) * stage.texture.width *
                                static_cast<double>(stage.texture.height);
  return texelsPerPixel <= 1.0;
}

void ShadeSpan(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1) {
  if (s.pixelShader) return s.shaderPath.shade(s, g, y, x0, x1, false);
  const double fy = y - g.refY;
  uint32_t texels[8];
  for (int x = x0; x <= x1; ++x) {
    const double fx = x - g.refX;
    const float z = static_cast<float>(g.z0 + g.dzdx * fx + g.dzdy * fy);
    double w = 1.0;
    if (!g.affine) {
      const double oow = g.w0 + g.dwdx * fx + g.dwdy * fy;
      w = oow != 0.0 ? 1.0 / oow : 0.0;
    }
    auto at = [&](int i) { return (g.v0[i] + g.dvdx[i] * fx + g.dvdy[i] * fy) * w; };
    const uint32_t diffuse = g.constantDiffuse ? g.diffuse : PackColour(at(0), at(1), at(2), at(3));
    for (int st = 0; st < s.stageCount && st < kTexturedStages; ++st) {
      const StageSetup &stage = s.stages[st];
      const int u = TexCoordVarying(st);
      texels[st] =
          stage.hasTexture ? SampleTexture(stage, at(u), at(u + 1), g.magnified[st]) : 0xFFFFFFFFu;
    }
    MergePixel(s, x, y, CombineStages(s, diffuse, texels), z, g.ccw);
  }
}

} // namespace

// An edge's limit on the pixels of a row: inside the edge E(i, y) − bias ≥ 0, with
// E(i, y) = A·i + R(y) and R growing by a fixed step per row. For A > 0 that bounds i from below
// by ceil(−R ÷ A), for A < 0 from above by floor(R ÷ −A); the quotient is stepped with its
// remainder, so every row gets the exact bound without a division.
TriangleRows::EdgeLimit TriangleRows::EdgeLimit::None(int64_t limit) {
  EdgeLimit e;
  e.q_ = limit;
  return e;
}

TriangleRows::EdgeLimit TriangleRows::EdgeLimit::Left(int64_t A, int64_t R, int64_t step) {
  return Quotient(-R + A - 1, -step, A); // ceil(−R ÷ A) = floor((−R + A − 1) ÷ A)
}

TriangleRows::EdgeLimit TriangleRows::EdgeLimit::Right(int64_t A, int64_t R, int64_t step) {
  return Quotient(R, step, -A);
}

TriangleRows::EdgeLimit TriangleRows::EdgeLimit::Quotient(int64_t value, int64_t step,
                                                          int64_t divisor) {
  EdgeLimit e;
  e.divisor_ = divisor;
  e.q_ = FloorDiv(value, divisor);
  e.r_ = value - e.q_ * divisor;
  e.qStep_ = FloorDiv(step, divisor);
  e.rStep_ = step - e.qStep_ * divisor;
  return e;
}

bool TriangleRows::Start(const PixelSetup &s, const ScreenVertex &a, const ScreenVertex &b,
                         const ScreenVertex &c, bool ccwFacing) {
  const ScreenVertex *v[3] = {&a, &b, &c};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    // The clipper keeps vertices within a guard band, so these stay far from overflow.
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y) || std::fabs(v[i]->x) > 1048576.0f ||
        std::fabs(v[i]->y) > 1048576.0f)
      return false;
    X[i] = std::llround(static_cast<double>(v[i]->x) * kSubPixels);
    Y[i] = std::llround(static_cast<double>(v[i]->y) * kSubPixels);
  }
  const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return false;
  if (area < 0) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
  }

  const int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  next_ = static_cast<int>(std::max<int64_t>(s.clipY0, CeilDiv(minY, kSubPixels)));
  last_ = static_cast<int>(std::min<int64_t>(s.clipY1 - 1, FloorDiv(maxY, kSubPixels)));
  const int firstRow = next_;
  xLo_ = std::max<int64_t>(s.clipX0, CeilDiv(minX, kSubPixels));
  xHi_ = std::min<int64_t>(s.clipX1 - 1, FloorDiv(maxX, kSubPixels));
  if (next_ > last_ || xLo_ > xHi_) return false;

  // With positive area the inside of every edge a→b is where
  // E(p) = (b.x − a.x)(p.y − a.y) − (b.y − a.y)(p.x − a.x) > 0, y pointing down; top and left
  // edges own the pixels lying exactly on them. For pixel i of row y, E(i, y) − bias ≥ 0 with
  // E(i, y) = A·i + R(y).
  struct Sloped {
    int64_t A, R, step;
  } lefts[3], rights[3];
  int leftCount = 0, rightCount = 0;
  for (int k = 0; k < 3; ++k) {
    const int n = (k + 1) % 3;
    const int64_t dx = X[n] - X[k], dy = Y[n] - Y[k];
    const int64_t bias = (dy < 0 || (dy == 0 && dx > 0)) ? 0 : 1;
    const int64_t A = -dy * kSubPixels;
    const int64_t R = dx * (static_cast<int64_t>(firstRow) * kSubPixels - Y[k]) + dy * X[k] - bias;
    const int64_t step = dx * kSubPixels;
    if (A > 0) {
      lefts[leftCount++] = {A, R, step};
    } else if (A < 0) {
      rights[rightCount++] = {A, R, step};
    } else if (step > 0) {
      // A horizontal edge keeps the rows firstRow + j where R + j·step ≥ 0.
      next_ = static_cast<int>(std::max<int64_t>(next_, firstRow + CeilDiv(-R, step)));
    } else {
      last_ = static_cast<int>(std::min<int64_t>(last_, firstRow + FloorDiv(R, -step)));
    }
  }
  if (next_ > last_ || leftCount > 2 || rightCount > 2) return false;
  for (int k = 0; k < 2; ++k) {
    left_[k] = k < leftCount
                   ? EdgeLimit::Left(lefts[k].A, lefts[k].R + (next_ - firstRow) * lefts[k].step,
                                     lefts[k].step)
                   : EdgeLimit::None(std::numeric_limits<int64_t>::min());
    right_[k] = k < rightCount ? EdgeLimit::Right(rights[k].A,
                                                  rights[k].R + (next_ - firstRow) * rights[k].step,
                                                  rights[k].step)
                               : EdgeLimit::None(std::numeric_limits<int64_t>::max());
  }

  TriangleGradients &g = g_;
  const double x0 = X[0] / 256.0, y0 = Y[0] / 256.0;
  const double x1 = X[1] / 256.0, y1 = Y[1] / 256.0;
  const double x2 = X[2] / 256.0, y2 = Y[2] / 256.0;
  const double det = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  auto plane = [&](double f0, double f1, double f2, double *dx, double *dy) {
    *dx = ((f1 - f0) * (y2 - y0) - (f2 - f0) * (y1 - y0)) / det;
    *dy = ((f2 - f0) * (x1 - x0) - (f1 - f0) * (x2 - x0)) / det;
  };
  g.refX = x0;
  g.refY = y0;
  g.ccw = ccwFacing;
  g.affine = v[0]->oow == v[1]->oow && v[1]->oow == v[2]->oow;
  g.z0 = v[0]->z;
  plane(v[0]->z, v[1]->z, v[2]->z, &g.dzdx, &g.dzdy);
  g.w0 = v[0]->oow;
  plane(v[0]->oow, v[1]->oow, v[2]->oow, &g.dwdx, &g.dwdy);
  for (int i = 0; i < kVaryings; ++i) {
    // With perspective the varyings are interpolated as value/w and divided back per pixel.
    const double m0 = g.affine ? 1.0 : v[0]->oow, m1 = g.affine ? 1.0 : v[1]->oow,
                 m2 = g.affine ? 1.0 : v[2]->oow;
    g.v0[i] = v[0]->v[i] * m0;
    plane(v[0]->v[i] * m0, v[1]->v[i] * m1, v[2]->v[i] * m2, &g.dvdx[i], &g.dvdy[i]);
  }
  g.constantDiffuse = true;
  for (int i = 0; i < 4; ++i)
    g.constantDiffuse = g.constantDiffuse && v[0]->v[i] == v[1]->v[i] && v[1]->v[i] == v[2]->v[i];
  if (g.constantDiffuse) g.diffuse = PackColour(v[0]->v[0], v[0]->v[1], v[0]->v[2], v[0]->v[3]);
  const double cx = (x0 + x1 + x2) / 3.0, cy = (y0 + y1 + y2) / 3.0;
  for (int st = 0; st < kTexturedStages; ++st)
    g.magnified[st] = st < s.stageCount && s.stages[st].hasTexture
                          ? Magnified(g, s.stages[st], st, cx, cy)
                          : true;

  tryFast_ = s.fastPaths && !s.pixelShader && s.fastTextured && g.affine && g.constantDiffuse &&
             PrepareFastTriangle(s, g, &fast_);
  // Depth tested spans go side by side where the held words can decide them.
  runs_ = tryFast_ && fast_.runKernel && (!fast_.depth || (fast_.constantZ && s.heldDepth));
  return true;
}

void TriangleRows::DrawSpan(const PixelSetup &s, int y, int x0, int x1) const {
  DeferredDepth *held = s.heldDepth;
  if (held) held->Settle(y, x0, x1);
  FastRow row{y, x0, x1 - x0, 0};
  fast_.kernel(fast_, &row, 1);
  if (row.drawn < row.count) ShadeSpan(s, g_, y, x0 + row.drawn, x1 - 1);
}

void TriangleRows::Shade(const PixelSetup &s, int y, int x0, int x1) const {
  ShadeSpan(s, g_, y, x0, x1 - 1);
}

bool TriangleRows::TexelsFor(int y0, int y1, TexelBox *box) const {
  if (!tryFast_) return false;
  y0 = std::max(y0, next_);
  y1 = std::min(y1, last_);
  if (y0 > y1) return false;
  const FastTriangle &t = fast_;
  // The planes are linear: the corners of the rectangle around the rows bound them.
  double uMin = 1e30, uMax = -1e30, vMin = 1e30, vMax = -1e30;
  for (const int64_t x : {xLo_, xHi_})
    for (const int y : {y0, y1}) {
      const double fx = static_cast<double>(x) - t.refX, fy = y - t.refY;
      const double u = (t.u0 + t.dudx * fx + t.dudy * fy) * t.width,
                   v = (t.v0 + t.dvdx * fx + t.dvdy * fy) * t.height;
      uMin = std::min(uMin, u), uMax = std::max(uMax, u), vMin = std::min(vMin, v),
      vMax = std::max(vMax, v);
    }
  box->texels = t.texels;
  box->pitch = t.texPitch;
  box->u0 = static_cast<int>(std::clamp(uMin, 0.0, t.width - 1)),
  box->u1 = static_cast<int>(std::clamp(uMax, 0.0, t.width - 1));
  box->v0 = static_cast<int>(std::clamp(vMin, 0.0, t.height - 1)),
  box->v1 = static_cast<int>(std::clamp(vMax, 0.0, t.height - 1));
  return true;
}

void TriangleRows::DrawTo(const PixelSetup &s, int y, RowRuns *runs) {
  // Spans are gathered for the fast path and drawn together; what it leaves of a span the
  // general path draws after it, which changes nothing, as no two spans share a pixel. Spans
  // whose depth test the held depth words decide go apart, without the test.
  constexpr int kRows = 64;
  FastRow tested[kRows], decided[kRows];
  int testedCount = 0, decidedCount = 0;
  DeferredDepth *held = s.heldDepth;
  // A pixel shader's spans whose depth test the held words decide are shaded without the test,
  // and their depth noted there, as the fast path's are.
  const ShaderProgram *shader = s.pixelShader;
  const bool shaderDecides = shader && held && s.depthOnly && !shader->discards &&
                             !shader->writesDepth && g_.dzdx == 0.0 && g_.dzdy == 0.0;
  const uint32_t shaderZ24 = shaderDecides ? ToDepth24(static_cast<float>(g_.z0)) : 0;
  auto finish = [&](FastRow *rows, int count) {
    for (int k = 0; k < count; ++k) {
      const FastRow &r = rows[k];
      if (r.drawn == r.count) continue;
      if (held) held->Settle(r.y, r.x0 + r.drawn, r.x0 + r.count);
      ShadeSpan(s, g_, r.y, r.x0 + r.drawn, r.x0 + r.count - 1);
    }
  };
  auto drawTested = [&] {
    fast_.kernel(fast_, tested, testedCount);
    finish(tested, testedCount);
    testedCount = 0;
  };
  auto drawDecided = [&] {
    fast_.kernelUntested(fast_, decided, decidedCount);
    if (fast_.depthWrite)
      for (int k = 0; k < decidedCount; ++k)
        held->WriteSpan(decided[k].y, decided[k].x0, decided[k].x0 + decided[k].drawn, fast_.z24);
    finish(decided, decidedCount);
    decidedCount = 0;
  };
  for (const int end = std::min(y, last_); next_ <= end; ++next_) {
    const int64_t lo = std::max({xLo_, left_[0].Limit(), left_[1].Limit()});
    const int64_t hi = std::min({xHi_, right_[0].Limit(), right_[1].Limit()});
    left_[0].Step(), left_[1].Step(), right_[0].Step(), right_[1].Step();
    if (lo > hi) continue;
    const int sx0 = static_cast<int>(lo), sx1 = static_cast<int>(hi);
    if (runs) {
      if (runs_) {
        runs->Add(next_, sx0, sx1 - sx0 + 1, this);
        continue;
      }
      runs->Draw(next_);
    }
    const FastRow row{next_, sx0, sx1 - sx0 + 1, 0};
    bool passes;
    if (shaderDecides && held->DecideSpan(next_, sx0, sx1 + 1, shaderZ24, s.depthFunc, &passes)) {
      if (!passes) continue;
      s.shaderPath.shade(s, g_, next_, sx0, sx1, true);
      if (s.depthWrite) held->WriteSpan(next_, sx0, sx1 + 1, shaderZ24);
      continue;
    }
    if (tryFast_ && held && fast_.depth && fast_.constantZ &&
        held->DecideSpan(next_, sx0, sx1 + 1, fast_.z24, fast_.depthFunc, &passes)) {
      if (!passes) continue;
      decided[decidedCount++] = row;
      if (decidedCount == kRows) drawDecided();
      continue;
    }
    // The span's depth words are read below: what is held for them is written first.
    if (held) held->Settle(next_, sx0, sx1 + 1);
    if (!tryFast_) {
      ShadeSpan(s, g_, next_, sx0, sx1);
      continue;
    }
    tested[testedCount++] = row;
    if (testedCount == kRows) drawTested();
  }
  if (testedCount) drawTested();
  if (decidedCount) drawDecided();
}

} // namespace zrq::d3d9
