// The triangles of a draw, drawn a band of rows at a time.
//
// Tall, thin triangles drawn one after the other walk the target, the depth words and the
// texture column by column, a cache miss on every row. Drawn in bands, each band's rows are
// read in order across all the triangles. Every pixel still sees the triangles covering it in
// the order they were given, and a pixel's result depends only on its own earlier writes, so
// the bytes are the same as drawing each triangle in turn.
#pragma once

#include "platform/d3d9/RowRuns.h"
#include "platform/d3d9/TriangleRows.h"

#include <vector>

namespace zrq::d3d9 {

class TriangleBatch {
public:
  static constexpr size_t kCapacity = 256; // triangles held before they are drawn
  static constexpr int kBandRows = 32;
  static constexpr size_t kPrefetchAhead = 2;

  // `store` is resized to kCapacity and `runs` given room here (which may throw std::bad_alloc),
  // before anything is drawn.
  TriangleBatch(const PixelSetup &setup, std::vector<TriangleRows> &store, RowRuns &runs);
  TriangleBatch(const TriangleBatch &) = delete;
  TriangleBatch &operator=(const TriangleBatch &) = delete;

  // Holds a triangle, drawing those held first when the batch is full.
  void Add(const ScreenVertex &a, const ScreenVertex &b, const ScreenVertex &c, bool ccwFacing);
  // Draws the triangles held; a draw ends with it.
  void Flush();

private:
  // Asks the cache for the texels of a box.
  void Prefetch(const TriangleRows::TexelBox &box);

  const PixelSetup &setup_;
  std::vector<TriangleRows> &store_;
  RowRuns &runs_;
  size_t count_ = 0;
  TriangleRows::TexelBox prefetched_;
};

} // namespace zrq::d3d9
