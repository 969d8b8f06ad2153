// Clears of a depth-stencil surface, held back until a draw reads the words they cover.
//
// Only draws and Clear read or write depth-stencil words (such surfaces cannot be locked or
// copied), and both settle the words they touch first. So a clear followed by another clear,
// or by draws that cover part of the surface, writes only the words it must, and a draw finds
// the words of its span freshly written in the cache.
#pragma once

#include <cstdint>
#include <vector>

namespace zrq::d3d9 {

struct PixelBuffer;

class DeferredClear {
 public:
  explicit DeferredClear(const PixelBuffer &words) : words_(words) {}

  // Holds back a clear of whole rows y0 <= y < y1: the bits of `mask` in every word become
  // those of `value`. False when there is no memory to note it; the caller then clears at once.
  [[nodiscard]] bool Defer(int y0, int y1, uint32_t value, uint32_t mask);
  // Writes what is held for words x0 <= x < x1 of row y into them.
  void Settle(int y, int x0, int x1) {
    if (y >= first_ && y < end_) SettleRow(y, x0, x1);
  }
  // Writes what is held for rows y0 <= y < y1 into them.
  void Settle(int y0, int y1);

  // Sets the bits of `mask` in words x0 <= x < x1 of a row to those of `value`.
  static void ClearWords(uint32_t *row, int x0, int x1, uint32_t value, uint32_t mask);

 private:
  // A row's held clear covers its words outside the settled run a <= x < b (empty: a == b).
  struct Row {
    uint32_t value = 0;
    uint32_t mask = 0;  // 0: nothing held
    int a = 0, b = 0;
  };

  void SettleRow(int y, int x0, int x1);
  uint32_t *Words(int y) const;

  const PixelBuffer &words_;
  std::vector<Row> rows_;
  int first_ = 0, end_ = 0;  // rows that may hold a clear: first_ <= y < end_
};

}  // namespace zrq::d3d9
