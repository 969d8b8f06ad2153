// Triangle set-up and scan conversion. Vertices are snapped to 1/256 pixel; coverage is
// decided exactly in integers on pixel centres (integer coordinates) with the top-left rule,
// so that triangles sharing an edge never both draw, nor both miss, a pixel on it.
#include "platform/d3d9/Pipeline.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zrq::d3d9 {
namespace {

constexpr int64_t kSubPixels = 256;

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
int64_t CeilDiv(int64_t a, int64_t b) { return -FloorDiv(-a, b); }

struct Edge {
  int64_t dx, dy, xa, ya;
  int64_t bias;  // 0 on top and left edges, which own the pixels lying exactly on them
};

uint32_t ToByte(double c) {
  if (!(c > 0.0)) return 0;
  if (c >= 1.0) return 255;
  return static_cast<uint32_t>(c * 255.0 + 0.5);
}

uint32_t PackColour(double r, double g, double b, double a) {
  return ToByte(a) << 24 | ToByte(r) << 16 | ToByte(g) << 8 | ToByte(b);
}

// Whether a stage's texture is magnified (fewer texels than pixels) at the triangle's centre.
bool Magnified(const TriangleGradients &g, const StageSetup &stage, int slot, double cx, double cy) {
  const int u = 4 + 2 * slot, v = u + 1;
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
  const double texelsPerPixel =
      std::fabs(dudx * dvdy - dudy * dvdx) * stage.texture.width * static_cast<double>(stage.texture.height);
  return texelsPerPixel <= 1.0;
}

void ShadeSpan(const PixelSetup &s, const TriangleGradients &g, int y, int x0, int x1) {
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
      texels[st] = stage.hasTexture ? SampleTexture(stage, at(4 + 2 * st), at(5 + 2 * st), g.magnified[st])
                                    : 0xFFFFFFFFu;
    }
    MergePixel(s, x, y, CombineStages(s, diffuse, texels), z, g.ccw);
  }
}

}  // namespace

void RasterizeTriangle(const PixelSetup &s, const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c,
                       bool ccwFacing) {
  const ScreenVertex *v[3] = {&a, &b, &c};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) {
    // The clipper keeps vertices within a guard band, so these stay far from overflow.
    if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y) || std::fabs(v[i]->x) > 1048576.0f ||
        std::fabs(v[i]->y) > 1048576.0f)
      return;
    X[i] = std::llround(static_cast<double>(v[i]->x) * kSubPixels);
    Y[i] = std::llround(static_cast<double>(v[i]->y) * kSubPixels);
  }
  const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return;
  if (area < 0) {
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
  }

  const int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  const int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  const int yStart = static_cast<int>(std::max<int64_t>(s.clipY0, CeilDiv(minY, kSubPixels)));
  const int yEnd = static_cast<int>(std::min<int64_t>(s.clipY1 - 1, FloorDiv(maxY, kSubPixels)));
  const int64_t xLo = std::max<int64_t>(s.clipX0, CeilDiv(minX, kSubPixels));
  const int64_t xHi = std::min<int64_t>(s.clipX1 - 1, FloorDiv(maxX, kSubPixels));
  if (yStart > yEnd || xLo > xHi) return;

  // With positive area the inside of every edge a→b is where
  // E(p) = (b.x − a.x)(p.y − a.y) − (b.y − a.y)(p.x − a.x) > 0, y pointing down.
  Edge edges[3];
  for (int k = 0; k < 3; ++k) {
    const int n = (k + 1) % 3;
    Edge &e = edges[k];
    e.dx = X[n] - X[k];
    e.dy = Y[n] - Y[k];
    e.xa = X[k];
    e.ya = Y[k];
    const bool top = e.dy == 0 && e.dx > 0;
    const bool left = e.dy < 0;
    e.bias = (top || left) ? 0 : 1;
  }

  TriangleGradients g;
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
    const double m0 = g.affine ? 1.0 : v[0]->oow, m1 = g.affine ? 1.0 : v[1]->oow, m2 = g.affine ? 1.0 : v[2]->oow;
    g.v0[i] = v[0]->v[i] * m0;
    plane(v[0]->v[i] * m0, v[1]->v[i] * m1, v[2]->v[i] * m2, &g.dvdx[i], &g.dvdy[i]);
  }
  g.constantDiffuse = true;
  for (int i = 0; i < 4; ++i)
    g.constantDiffuse = g.constantDiffuse && v[0]->v[i] == v[1]->v[i] && v[1]->v[i] == v[2]->v[i];
  if (g.constantDiffuse) g.diffuse = PackColour(v[0]->v[0], v[0]->v[1], v[0]->v[2], v[0]->v[3]);
  const double cx = (x0 + x1 + x2) / 3.0, cy = (y0 + y1 + y2) / 3.0;
  for (int st = 0; st < kTexturedStages; ++st)
    g.magnified[st] = st < s.stageCount && s.stages[st].hasTexture ? Magnified(g, s.stages[st], st, cx, cy) : true;

  const bool tryFast = s.fastPaths && s.fastTextured && g.affine && g.constantDiffuse;
  for (int y = yStart; y <= yEnd; ++y) {
    int64_t lo = xLo, hi = xHi;
    const int64_t py = static_cast<int64_t>(y) * kSubPixels;
    for (const Edge &e : edges) {
      // E(i, y) − bias ≥ 0 with E(i, y) = A·i + R.
      const int64_t A = -e.dy * kSubPixels;
      const int64_t R = e.dx * (py - e.ya) + e.dy * e.xa - e.bias;
      if (A > 0)
        lo = std::max(lo, CeilDiv(-R, A));
      else if (A < 0)
        hi = std::min(hi, FloorDiv(R, -A));
      else if (R < 0)
        hi = lo - 1;
    }
    if (lo > hi) continue;
    const int sx0 = static_cast<int>(lo), sx1 = static_cast<int>(hi);
    if (!(tryFast && DrawFastSpan(s, g, y, sx0, sx1))) ShadeSpan(s, g, y, sx0, sx1);
  }
}

}  // namespace zrq::d3d9
