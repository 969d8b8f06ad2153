// The spans of a band of rows held back and drawn a row at a time, the spans lying side by side
// drawn together as one run (see FastRun).
//
// A strip of thin triangles gives each row a short span per triangle, and drawing a short span
// costs mostly its start. Held back, the spans of a row are drawn in whole blocks across the
// triangles' borders. A row's held spans lie apart, left to right, and are drawn before anything
// else draws on that row, so every pixel still sees the triangles covering it in their order.
#pragma once

#include "platform/d3d9/Pipeline.h"
#include "platform/d3d9/TriangleRows.h"

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

class RowRuns {
public:
  // Makes room for bands of `rows` rows of up to `spans` spans each, on rows up to `width`
  // pixels (which may throw std::bad_alloc), before anything is drawn.
  void Reserve(int rows, int spans, int width);
  // Takes the triangles of a batch, store[0 .. count − 1], before their bands are drawn.
  void Prepare(const PixelSetup &setup, const TriangleRows *store, size_t count);
  // Starts a band whose first row is y0.
  void Begin(int y0) { y0_ = y0; }
  // Holds a span of a triangle that draws its spans in runs (TriangleRows::Runs); the spans held
  // for the row are drawn first unless this one lies right of them.
  void Add(int y, int x0, int count, const TriangleRows *triangle) {
    const int r = y - y0_;
    if (counts_[r] && x0 < ends_[r]) Draw(y);
    held_[static_cast<size_t>(r * stride_ + counts_[r]++)] = {
        x0, count, static_cast<int>(triangle - triangles_),
        triangle->Fast().depth ? triangle->Fast().z24 : 0u};
    ends_[r] = x0 + count;
  }
  // Draws the spans held for row y: before anything else draws on it.
  void Draw(int y) {
    if (counts_[y - y0_]) DrawRow(y);
  }
  // Draws everything held.
  void DrawAll();

private:
  struct Held {
    int x0, count;
    int triangle; // in the batch
    uint32_t z24; // the depth it tests and writes, when it does
  };
  // A triangle's plane terms, packed for the rows that read them one after the other.
  struct Terms {
    double refX, refY, u0, dudx, dudy, v0, dvdx, dvdy;
  };
  void DrawRow(int y);
  // Draws spans side by side, with one depth when they test it.
  void DrawRun(int y, const Held *spans, int count);

  const PixelSetup *setup_ = nullptr;
  const TriangleRows *triangles_ = nullptr;
  int y0_ = 0, rows_ = 0, stride_ = 0;
  // rows_ rows of stride_ (a little more than the spans, so that the rows' ends do not meet in
  // one set of the cache)
  std::vector<Held> held_;
  std::vector<Terms> terms_; // by triangle
  std::vector<int> counts_, ends_;
  // A run's terms (see FastRun).
  std::vector<uint16_t> segment_;
  std::vector<double> refX_, u0_, dudx_, cu_, v0_, dvdx_, cv_;
  std::vector<int> failed_;
};

} // namespace zrq::d3d9
