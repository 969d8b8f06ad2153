// Depth-stencil words known without being in memory: clears held back, and runs a draw filled
// with one depth.
//
// Only draws and Clear read or write depth-stencil words (such surfaces cannot be locked or
// copied), and both go through this first. A clear is held for whole rows; a draw that tests one
// depth against words all known here is decided without reading them, and what it writes is
// noted as a run of the row; anything else settles the words it touches into memory first.
// So the module's frame (clear, then quads at one depth) leaves the depth words untouched, and
// a draw that must read them finds them freshly written in the cache.
#pragma once

#include "platform/d3d9/Pipeline.h"

#include <d3d9.h>

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

struct PixelBuffer;

class DeferredDepth {
public:
  explicit DeferredDepth(const PixelBuffer &words) : words_(words) {}

  // Holds back a clear of whole rows y0 <= y < y1: the bits of `mask` in every word become
  // those of `value`. False when there is no memory to note it; the caller then clears at once.
  [[nodiscard]] bool Defer(int y0, int y1, uint32_t value, uint32_t mask);

  // When the depth of every word x0 <= x < x1 of row y is known here and the same, the result
  // of testing z24 against it with `func` (true), in *passes; else false, and the span must
  // settle its words and read them.
  bool DecideSpan(int y, int x0, int x1, uint32_t z24, DWORD func, bool *passes) const {
    if (y < first_ || y >= end_) return false;
    const Row &r = rows_[static_cast<size_t>(y)];
    uint32_t word;
    if ((r.mask & kDepthBits) != kDepthBits || !KnownWord(r, x0, x1, &word)) return false;
    *passes = CompareValues(func, z24, word >> 8);
    return true;
  }
  // Writes depth z24 into words x0 <= x < x1 of row y, which DecideSpan found known and passing:
  // noted as a run where the row allows, else into memory.
  void WriteSpan(int y, int x0, int x1, uint32_t z24) {
    Row &r = rows_[static_cast<size_t>(y)];
    // Most often the span continues the row's last run rightwards, as a strip of triangles does.
    const int last = r.runs - 1;
    if (!r.settled && last >= 0 && x0 == r.b[last] && x0 < x1 &&
        (((z24 << 8) | (r.value & 0xFFu)) & r.mask) == r.runValue) {
      r.b[last] = x1;
      return;
    }
    WriteSpanElsewhere(y, x0, x1, z24);
  }

  // Writes what is known for words x0 <= x < x1 of row y into them.
  void Settle(int y, int x0, int x1) {
    if (y >= first_ && y < end_) SettleRow(y, x0, x1);
  }
  // Writes what is known for rows y0 <= y < y1 into them.
  void Settle(int y0, int y1);

  // Sets the bits of `mask` in words x0 <= x < x1 of a row to those of `value`.
  static void ClearWords(uint32_t *row, int x0, int x1, uint32_t value, uint32_t mask);

private:
  static constexpr int kMaxRuns = 8;
  static constexpr uint32_t kDepthBits = 0xFFFFFF00u;

  // A row holding something. Its words are (memory & ~mask) | value, except in the runs, where
  // they are (memory & ~mask) | runValue, or in the one settled run, where memory holds them.
  // Runs are sorted, apart, and not empty.
  struct Row {
    uint32_t value = 0;
    uint32_t mask = 0; // 0: the row is all in memory
    uint32_t runValue = 0;
    bool settled = false;
    int runs = 0;
    int a[kMaxRuns] = {}, b[kMaxRuns] = {};
  };

  void SettleRow(int y, int x0, int x1);
  void WriteSpanElsewhere(int y, int x0, int x1, uint32_t z24);
  uint32_t *Words(int y) const;
  // What row y's words x0 .. x1 − 1 are known to be, when it is one word for all of them.
  static bool KnownWord(const Row &r, int x0, int x1, uint32_t *word) {
    if (!r.mask) return false;
    for (int i = 0; i < r.runs; ++i) {
      if (x1 <= r.a[i]) break;
      if (x0 >= r.b[i]) continue;
      if (r.settled || x0 < r.a[i] || x1 > r.b[i]) return false;
      *word = r.runValue;
      return true;
    }
    *word = r.value;
    return true;
  }
  // Adds x0 .. x1 − 1, which lies apart from the runs, to them; false when they are full.
  static bool AddRun(Row &r, int x0, int x1);

  const PixelBuffer &words_;
  std::vector<Row> rows_;
  int first_ = 0, end_ = 0; // rows that may hold something: first_ <= y < end_
};

} // namespace zrq::d3d9
