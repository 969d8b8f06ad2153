#include "render/software/RotateFootprint.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::ptrdiff_t kLineBytes = 64;

// A place in the source before truncation.
struct SourcePoint {
  double u, v;
};

} // namespace

void RotateFootprint::Start(const RotateFrame &f, const SourcePicture &src, LONG r0, LONG r1,
                            LONG i0, LONG i1) {
  runCount = 0;
  run = 0;
  fetched = 0;
  lines = 0;
  if (r0 >= r1 || i0 >= i1) return;
  const double c = f.cosTheta, s = f.sinTheta;
  // The block's corners around its outline, starting with the first one drawn.
  const LONG rows[4] = {r0, r0, r1 - 1, r1 - 1};
  const LONG columns[4] = {i0, i1 - 1, i1 - 1, i0};
  SourcePoint corner[4];
  for (int k = 0; k < 4; ++k) {
    const double dx = columns[k] - f.cx, dy = rows[k] - f.cy;
    corner[k] = {f.cx + dx * c + dy * s, f.cy - dx * s + dy * c};
  }
  double top = corner[0].v, bottom = corner[0].v;
  for (const SourcePoint &p : corner) {
    top = std::min(top, p.v);
    bottom = std::max(bottom, p.v);
  }
  // Truncation moves a place by less than a pixel either way.
  const double firstRow = std::max(0.0, std::floor(top) - 1.0);
  const double lastRow = std::min(double(f.h - 1), std::ceil(bottom) + 1.0);
  if (firstRow > lastRow) return;
  // Source rows in the order the first drawn corner meets them; along each, the way a
  // destination row runs through it.
  const bool fromLastRow = corner[0].v - top > bottom - corner[0].v;
  const bool leftwards = c < 0;
  const LONG rowCount = LONG(lastRow - firstRow) + 1;
  for (LONG k = 0; k < rowCount && runCount < kMaxSourceRows; ++k) {
    const LONG v = fromLastRow ? LONG(lastRow) - k : LONG(firstRow) + k;
    // The outline's reach in u between v - 1 and v + 1, where the rows that truncate to v lie:
    // corners inside that band and the edges' crossings of its borders.
    const double band[2] = {v - 1.0, v + 1.0};
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int q = 0; q < 4; ++q) {
      const SourcePoint a = corner[q], b = corner[(q + 1) % 4];
      if (a.v >= band[0] && a.v <= band[1]) {
        lo = std::min(lo, a.u);
        hi = std::max(hi, a.u);
      }
      for (double y : band)
        if ((a.v - y) * (b.v - y) < 0) {
          const double u = a.u + (y - a.v) / (b.v - a.v) * (b.u - a.u);
          lo = std::min(lo, u);
          hi = std::max(hi, u);
        }
    }
    const double firstColumn = std::max(0.0, std::floor(lo) - 1.0);
    const double lastColumn = std::min(double(f.w - 1), std::ceil(hi) + 1.0);
    if (!(firstColumn <= lastColumn)) continue;
    const BYTE *row = src.Row(v);
    const std::uintptr_t mask = ~std::uintptr_t(kLineBytes - 1);
    const std::uintptr_t a = std::uintptr_t(row + 4 * std::ptrdiff_t(firstColumn)) & mask;
    const std::uintptr_t b = std::uintptr_t(row + 4 * std::ptrdiff_t(lastColumn) + 3) & mask;
    const std::ptrdiff_t count = std::ptrdiff_t((b - a) / kLineBytes) + 1;
    runs[runCount++] = leftwards ? Run{b, -kLineBytes, count} : Run{a, kLineBytes, count};
    lines += count;
  }
}

std::uintptr_t RotateFootprint::NextLine() {
  if (run == runCount) return 0;
  const Run &r = runs[run];
  const std::uintptr_t line = r.first + std::uintptr_t(fetched * r.step);
  if (++fetched == r.count) {
    fetched = 0;
    ++run;
  }
  return line;
}

void RotateFootprint::Fetch(std::ptrdiff_t count) {
  for (; count > 0; --count) {
    const std::uintptr_t line = NextLine();
    if (line == 0) return;
    __builtin_prefetch(reinterpret_cast<const void *>(line));
  }
}
