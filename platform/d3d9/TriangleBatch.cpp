// The triangles of a draw, drawn a band of rows at a time.
#include "platform/d3d9/TriangleBatch.h"

#include <algorithm>

namespace zrq::d3d9 {

TriangleBatch::TriangleBatch(const PixelSetup &setup, std::vector<TriangleRows> &store)
    : setup_(setup), store_(store) {
  store_.resize(kCapacity);
}

void TriangleBatch::Add(const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c, bool ccwFacing) {
  if (!store_[count_].Start(setup_, a, b, c, ccwFacing)) return;
  if (++count_ == kCapacity) Flush();
}

void TriangleBatch::Flush() {
  if (count_ == 0) return;
  int first = store_[0].NextRow(), last = store_[0].LastRow();
  for (size_t i = 1; i < count_; ++i) {
    first = std::min(first, store_[i].NextRow());
    last = std::max(last, store_[i].LastRow());
  }
  for (int band = first; band <= last; band += kBandRows) {
    const int bandLast = std::min(last, band + kBandRows - 1);
    for (size_t i = 0; i < count_; ++i) {
      TriangleRows &t = store_[i];
      // The texels of a triangle a little ahead are fetched while this one draws: a thin
      // triangle's texels lie on a slant the processor cannot predict.
      if (i + kPrefetchAhead < count_) store_[i + kPrefetchAhead].PrefetchTexels(band, bandLast);
      if (t.NextRow() <= bandLast && t.NextRow() <= t.LastRow()) t.DrawTo(setup_, bandLast);
    }
  }
  count_ = 0;
}

}  // namespace zrq::d3d9
