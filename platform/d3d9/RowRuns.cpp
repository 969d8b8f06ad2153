// The spans of a band of rows held back and drawn a row at a time, side by side as runs.
#include "platform/d3d9/RowRuns.h"

#include "platform/d3d9/DeferredDepth.h"
#include "platform/d3d9/TriangleRows.h"

#include <algorithm>
#include <cstring>

namespace zrq::d3d9 {
namespace {

// The widest block a run kernel works in, and how far past its triangles a run's terms are read.
constexpr int kWidestBlock = 16, kTermsPast = 8;

// Sets the segment numbers of `count` pixels, and up to 15 more after them, which the next span
// writes over (the array has room for a block past the end): four at a time.
void FillSegment(uint16_t *at, int count, int segment) {
  const uint64_t four = static_cast<uint64_t>(segment) * 0x0001000100010001u;
  for (int i = 0; i < count; i += 16)
    for (int j = 0; j < 16; j += 4) std::memcpy(at + i + j, &four, sizeof four);
}

} // namespace

void RowRuns::Reserve(int rows, int spans, int width) {
  rows_ = rows, stride_ = spans + 1;
  held_.resize(static_cast<size_t>(rows) * static_cast<size_t>(stride_));
  terms_.resize(static_cast<size_t>(spans));
  counts_.assign(static_cast<size_t>(rows), 0);
  ends_.resize(static_cast<size_t>(rows));
  segment_.resize(static_cast<size_t>(width) + kWidestBlock);
  for (std::vector<double> *terms : {&refX_, &u0_, &dudx_, &cu_, &v0_, &dvdx_, &cv_})
    terms->resize(static_cast<size_t>(spans) + kTermsPast);
  // Two numbers for each block a run may leave.
  failed_.resize(2 * (static_cast<size_t>(width) + kWidestBlock));
}

void RowRuns::Prepare(const PixelSetup &setup, const TriangleRows *store, size_t count) {
  setup_ = &setup;
  triangles_ = store;
  for (size_t i = 0; i < count; ++i) {
    if (!store[i].Runs()) continue;
    const FastTriangle &f = store[i].Fast();
    terms_[i] = {f.refX, f.refY, f.u0, f.dudx, f.dudy, f.v0, f.dvdx, f.dvdy};
  }
}

void RowRuns::DrawAll() {
  for (int r = 0; r < rows_; ++r) Draw(y0_ + r);
}

void RowRuns::DrawRow(int y) {
  const int r = y - y0_;
  const Held *spans = &held_[static_cast<size_t>(r * stride_)];
  const int count = counts_[r];
  counts_[r] = 0;
  // Runs break where the spans leave a gap, or where the depth they write changes.
  for (int i = 0; i < count;) {
    int j = i + 1;
    while (j < count && spans[j].x0 == spans[j - 1].x0 + spans[j - 1].count &&
           spans[j].z24 == spans[i].z24)
      ++j;
    DrawRun(y, spans + i, j - i);
    i = j;
  }
}

void RowRuns::DrawRun(int y, const Held *spans, int count) {
  const PixelSetup &s = *setup_;
  const FastTriangle &t = triangles_[spans[0].triangle].Fast();
  const int x0 = spans[0].x0, x1 = spans[count - 1].x0 + spans[count - 1].count;
  DeferredDepth *held = s.heldDepth;
  if (t.depth) {
    bool passes;
    if (!held->DecideSpan(y, x0, x1, t.z24, t.depthFunc, &passes)) {
      // Words the held ones do not decide: each span is tested as its triangle draws it alone.
      for (int k = 0; k < count; ++k)
        triangles_[spans[k].triangle].DrawSpan(s, y, spans[k].x0, spans[k].x0 + spans[k].count);
      return;
    }
    if (!passes) return;
  }

  for (int k = 0; k < count; ++k) {
    const Terms &m = terms_[static_cast<size_t>(spans[k].triangle)];
    const double fy = y - m.refY;
    refX_[k] = m.refX, u0_[k] = m.u0, dudx_[k] = m.dudx, cu_[k] = m.dudy * fy;
    v0_[k] = m.v0, dvdx_[k] = m.dvdx, cv_[k] = m.dvdy * fy;
    FillSegment(&segment_[static_cast<size_t>(spans[k].x0 - x0)], spans[k].count, k);
  }
  FillSegment(&segment_[static_cast<size_t>(x1 - x0)], kWidestBlock, count - 1);
  const FastRun run{y,          x0,           x1 - x0,    segment_.data(), refX_.data(),
                    u0_.data(), dudx_.data(), cu_.data(), v0_.data(),      dvdx_.data(),
                    cv_.data()};
  const int failures = t.runKernel(t, run, failed_.data());

  // Blocks with a texel outside the texture are drawn by the general path, triangle by
  // triangle; the depth the run wrote is noted for the rest.
  const bool writesDepth = t.depth && t.depthWrite;
  int drawnFrom = x0;
  for (int f = 0; f < failures; ++f) {
    const int a = x0 + failed_[2 * static_cast<size_t>(f)],
              b = x0 + failed_[2 * static_cast<size_t>(f) + 1];
    for (int k = 0; k < count; ++k) {
      const int pa = std::max(a, spans[k].x0), pb = std::min(b, spans[k].x0 + spans[k].count);
      if (pa >= pb) continue;
      if (held) held->Settle(y, pa, pb);
      triangles_[spans[k].triangle].Shade(s, y, pa, pb);
    }
    if (writesDepth && drawnFrom < a) held->WriteSpan(y, drawnFrom, a, t.z24);
    drawnFrom = b;
  }
  if (writesDepth && drawnFrom < x1) held->WriteSpan(y, drawnFrom, x1, t.z24);
}

} // namespace zrq::d3d9
