// One triangle set up for scan conversion and drawn row by row, so that the triangles of a draw
// can be drawn together a band of rows at a time (see TriangleBatch).
#pragma once

#include "platform/d3d9/FastSpan.h"
#include "platform/d3d9/Pipeline.h"

#include <cstdint>

namespace zrq::d3d9 {

class RowRuns;

class TriangleRows {
public:
  // Sets up the triangle; false when it covers no pixel inside the setup's clip rectangle.
  // ccwFacing selects the counter-clockwise stencil operations in two-sided stencil mode.
  bool Start(const PixelSetup &setup, const ScreenVertex &a, const ScreenVertex &b,
             const ScreenVertex &c, bool ccwFacing);
  int NextRow() const { return next_; }
  int LastRow() const { return last_; }
  // Draws the rows not drawn yet, up to row `y`. With `runs`, spans it can draw side by side
  // with other triangles' are held there, and what it draws itself on a row waits for the spans
  // held for that row.
  void DrawTo(const PixelSetup &setup, int y, RowRuns *runs);
  // For RowRuns: the fast path's terms, and pixels x0 <= x < x1 of row y drawn as this triangle
  // draws a span alone (depth tested where it is), or by the general path.
  bool Runs() const { return runs_; }
  const FastTriangle &Fast() const { return fast_; }
  void DrawSpan(const PixelSetup &setup, int y, int x0, int x1) const;
  void Shade(const PixelSetup &setup, int y, int x0, int x1) const;
  // The texels rows y0 .. y1 of the triangle may read, as rows and columns of the texture,
  // when the fast path draws it.
  struct TexelBox {
    const uint32_t *texels = nullptr;
    int pitch = 0;
    int u0 = 0, u1 = -1, v0 = 0, v1 = -1;
  };
  bool TexelsFor(int y0, int y1, TexelBox *box) const;

private:
  // One edge's limit on the pixels of each row, stepped from row to row (see Rasterizer.cpp):
  // the first pixel inside for a left edge, the last for a right edge.
  class EdgeLimit {
  public:
    // A limit that never binds.
    static EdgeLimit None(int64_t limit);
    // The edge's limit at row y, for E(i, y) = A·i + R(y) with R growing by `step` per row.
    static EdgeLimit Left(int64_t A, int64_t R, int64_t step);
    static EdgeLimit Right(int64_t A, int64_t R, int64_t step);
    int64_t Limit() const { return q_; }
    void Step() {
      // Without a branch: the carry follows the edge's slope, which no predictor learns.
      r_ += rStep_;
      const int64_t carry = r_ >= divisor_;
      q_ += qStep_ + carry;
      r_ -= carry * divisor_;
    }

  private:
    // q_ = floor(value ÷ divisor) for a value growing by `step` per row, with 0 ≤ r_ < divisor.
    static EdgeLimit Quotient(int64_t value, int64_t step, int64_t divisor);

    int64_t q_ = 0, r_ = 0, divisor_ = 1, qStep_ = 0, rStep_ = 0;
  };

  TriangleGradients g_;
  FastTriangle fast_;
  bool tryFast_ = false;
  bool runs_ = false; // spans drawn side by side with other triangles' (see RowRuns)
  // A triangle has one or two edges on either side (a horizontal one only bounds its rows);
  // unused slots never bind.
  EdgeLimit left_[2], right_[2];
  int64_t xLo_ = 0, xHi_ = -1;
  int next_ = 0, last_ = -1;
};

} // namespace zrq::d3d9
