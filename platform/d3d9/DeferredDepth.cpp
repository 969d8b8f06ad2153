// Clears of a depth-stencil surface, held back until a draw reads the words they cover.
#include "platform/d3d9/DeferredClear.h"

#include "platform/d3d9/DeviceImpl.h"

#include <algorithm>
#include <new>

namespace zrq::d3d9 {

bool DeferredClear::Defer(int y0, int y1, uint32_t value, uint32_t mask) {
  const int height = static_cast<int>(words_.height);
  y0 = std::max(y0, 0);
  y1 = std::min(y1, height);
  if (y0 >= y1) return true;
  if (rows_.size() != static_cast<size_t>(height)) {
    try {
      rows_.assign(static_cast<size_t>(height), Row{});
    } catch (const std::bad_alloc &) {
      return false;
    }
  }
  for (int y = y0; y < y1; ++y) {
    Row &r = rows_[static_cast<size_t>(y)];
    if (r.mask && r.a < r.b) {
      // The settled run holds the words themselves: a clear of every bit holds it back with the
      // rest; a clear of some bits is applied to it at once.
      if (mask == 0xFFFFFFFFu)
        r.a = r.b = 0;
      else
        ClearWords(Words(y), r.a, r.b, value, mask);
    }
    if (!r.mask) r.a = r.b = 0;
    // A later clear overrides the bits it sets and keeps what an earlier one held for the others.
    r.value = (r.value & ~mask) | (value & mask);
    r.mask |= mask;
  }
  if (first_ == end_) {
    first_ = y0;
    end_ = y1;
  } else {
    first_ = std::min(first_, y0);
    end_ = std::max(end_, y1);
  }
  return true;
}

void DeferredClear::Settle(int y0, int y1) {
  y0 = std::max(y0, first_);
  y1 = std::min(y1, end_);
  for (int y = y0; y < y1; ++y) SettleRow(y, 0, static_cast<int>(words_.width));
}

void DeferredClear::SettleRow(int y, int x0, int x1) {
  Row &r = rows_[static_cast<size_t>(y)];
  x0 = std::max(x0, 0);
  x1 = std::min(x1, static_cast<int>(words_.width));
  if (!r.mask || x0 >= x1) return;
  uint32_t *words = Words(y);
  if (r.a == r.b) {
    ClearWords(words, x0, x1, r.value, r.mask);
    r.a = x0;
    r.b = x1;
  } else {
    // The run grows to cover both; the words between them are settled on the way.
    if (x0 < r.a) ClearWords(words, x0, r.a, r.value, r.mask), r.a = x0;
    if (x1 > r.b) ClearWords(words, r.b, x1, r.value, r.mask), r.b = x1;
  }
  if (r.a == 0 && r.b == static_cast<int>(words_.width)) r = Row{};
}

uint32_t *DeferredClear::Words(int y) const {
  return reinterpret_cast<uint32_t *>(words_.Row(static_cast<UINT>(y)));
}

void DeferredClear::ClearWords(uint32_t *row, int x0, int x1, uint32_t value, uint32_t mask) {
  if (x0 >= x1) return;
  if (mask == 0xFFFFFFFFu) {
    std::fill(row + x0, row + x1, value);
    return;
  }
  const uint32_t set = value & mask;
  for (int x = x0; x < x1; ++x) row[x] = (row[x] & ~mask) | set;
}

}  // namespace zrq::d3d9
