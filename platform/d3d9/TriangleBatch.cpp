// The triangles of a draw, drawn a band of rows at a time.
#include "platform/d3d9/TriangleBatch.h"

#include <algorithm>

namespace zrq::d3d9 {

TriangleBatch::TriangleBatch(const PixelSetup &setup, std::vector<TriangleRows> &store,
                             RowRuns &runs)
    : setup_(setup), store_(store), runs_(runs) {
  store_.resize(kCapacity);
  runs_.Reserve(kBandRows, static_cast<int>(kCapacity), setup.clipX1);
}

void TriangleBatch::Add(const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c,
                        bool ccwFacing) {
  if (!store_[count_].Start(setup_, a, b, c, ccwFacing)) return;
  if (++count_ == kCapacity) Flush();
}

void TriangleBatch::Prefetch(const TriangleRows::TexelBox &box) {
  // Large boxes are read row after row, which the processor prefetches by itself.
  const int lines = (box.u1 >> 4) - (box.u0 >> 4) + 1;
  if ((box.v1 - box.v0 + 1) * lines > 256) return;
  // Rows the last box asked for over the same columns are skipped: the triangles of a strip
  // come in pairs over one stretch of the texture.
  const TriangleRows::TexelBox &last = prefetched_;
  const bool sameColumns = box.texels == last.texels && box.u0 >= last.u0 && box.u1 <= last.u1;
  for (int v = box.v0; v <= box.v1; ++v) {
    if (sameColumns && v >= last.v0 && v <= last.v1) continue;
    const uint32_t *row = box.texels + static_cast<ptrdiff_t>(v) * box.pitch;
    for (int u = box.u0 & ~15; u <= box.u1; u += 16) __builtin_prefetch(row + u);
  }
  prefetched_ = box;
}

void TriangleBatch::Flush() {
  if (count_ == 0) return;
  int first = store_[0].NextRow(), last = store_[0].LastRow();
  for (size_t i = 1; i < count_; ++i) {
    first = std::min(first, store_[i].NextRow());
    last = std::max(last, store_[i].LastRow());
  }
  runs_.Prepare(setup_, store_.data(), count_);
  for (int band = first; band <= last; band += kBandRows) {
    const int bandLast = std::min(last, band + kBandRows - 1);
    runs_.Begin(band);
    for (size_t i = 0; i < count_; ++i) {
      TriangleRows &t = store_[i];
      // The texels of a triangle a little ahead are fetched while this one draws: a thin
      // triangle's texels lie on a slant the processor cannot predict.
      TriangleRows::TexelBox box;
      if (i + kPrefetchAhead < count_ && store_[i + kPrefetchAhead].TexelsFor(band, bandLast, &box))
        Prefetch(box);
      if (t.NextRow() <= bandLast && t.NextRow() <= t.LastRow()) t.DrawTo(setup_, bandLast, &runs_);
    }
    runs_.DrawAll();
  }
  count_ = 0;
}

} // namespace zrq::d3d9
