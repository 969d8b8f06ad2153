// Depth-stencil words known without being in memory: clears held back, and runs a draw filled
// with one depth.
#include "platform/d3d9/DeferredDepth.h"

#include "platform/d3d9/DeviceImpl.h"

#include <algorithm>
#include <new>

namespace zrq::d3d9 {
bool DeferredDepth::Defer(int y0, int y1, uint32_t value, uint32_t mask) {
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
  value &= mask;
  for (int y = y0; y < y1; ++y) {
    Row &r = rows_[static_cast<size_t>(y)];
    if (!r.mask) r = Row{};
    if (mask == 0xFFFFFFFFu) {
      // A clear of every bit holds the whole row again.
      r.runs = 0, r.settled = false;
    } else if (r.settled) {
      // One of some bits changes the settled words at once, and the runs as they are noted.
      ClearWords(Words(y), r.a[0], r.b[0], value, mask);
    } else {
      r.runValue = (r.runValue & ~mask) | value;
    }
    // A later clear overrides the bits it sets and keeps what an earlier one held for the others.
    r.value = (r.value & ~mask) | value;
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

bool DeferredDepth::AddRun(Row &r, int x0, int x1) {
  int i = 0;
  while (i < r.runs && r.b[i] <= x0) ++i;
  const bool joinsLeft = i > 0 && r.b[i - 1] == x0;
  const bool joinsRight = i < r.runs && r.a[i] == x1;
  if (joinsLeft && joinsRight) {
    // The span fills the gap between two runs: they become one.
    r.b[i - 1] = r.b[i];
    for (int k = i; k + 1 < r.runs; ++k) r.a[k] = r.a[k + 1], r.b[k] = r.b[k + 1];
    --r.runs;
  } else if (joinsLeft) {
    r.b[i - 1] = x1;
  } else if (joinsRight) {
    r.a[i] = x0;
  } else {
    if (r.runs == kMaxRuns) return false;
    for (int k = r.runs; k > i; --k) r.a[k] = r.a[k - 1], r.b[k] = r.b[k - 1];
    r.a[i] = x0, r.b[i] = x1;
    ++r.runs;
  }
  return true;
}

void DeferredDepth::WriteSpanElsewhere(int y, int x0, int x1, uint32_t z24) {
  if (x0 >= x1) return;
  Row &r = rows_[static_cast<size_t>(y)];
  uint32_t old;
  if (KnownWord(r, x0, x1, &old)) {
    // The stencil bits stay as they were, held or in memory.
    const uint32_t word = ((z24 << 8) | (old & 0xFFu)) & r.mask;
    if (word == old) return;
    if (!r.settled && r.runs == 0) r.runValue = word;
    // Outside the runs (inside one it would be `old`) with the runs' word, the span joins them.
    if (!r.settled && word == r.runValue && AddRun(r, x0, x1)) return;
  }
  // Anything else: these words go to memory.
  SettleRow(y, x0, x1);
  ClearWords(Words(y), x0, x1, z24 << 8, kDepthBits);
}

void DeferredDepth::Settle(int y0, int y1) {
  y0 = std::max(y0, first_);
  y1 = std::min(y1, end_);
  for (int y = y0; y < y1; ++y) SettleRow(y, 0, static_cast<int>(words_.width));
}

void DeferredDepth::SettleRow(int y, int x0, int x1) {
  Row &r = rows_[static_cast<size_t>(y)];
  x0 = std::max(x0, 0);
  x1 = std::min(x1, static_cast<int>(words_.width));
  if (!r.mask || x0 >= x1) return;
  uint32_t *words = Words(y);
  if (r.settled) {
    // The settled run grows to cover both; the words between them are settled on the way.
    if (x0 < r.a[0]) ClearWords(words, x0, r.a[0], r.value, r.mask), r.a[0] = x0;
    if (x1 > r.b[0]) ClearWords(words, r.b[0], x1, r.value, r.mask), r.b[0] = x1;
  } else {
    // The runs and the span become one settled run over all of them.
    int a = x0, b = x1, at = a;
    if (r.runs) a = std::min(a, r.a[0]), b = std::max(b, r.b[r.runs - 1]), at = a;
    for (int i = 0; i < r.runs; ++i) {
      ClearWords(words, at, r.a[i], r.value, r.mask);
      ClearWords(words, r.a[i], r.b[i], r.runValue, r.mask);
      at = r.b[i];
    }
    ClearWords(words, at, b, r.value, r.mask);
    r.settled = true, r.runs = 1, r.a[0] = a, r.b[0] = b;
  }
  if (r.a[0] == 0 && r.b[0] == static_cast<int>(words_.width)) r = Row{};
}

uint32_t *DeferredDepth::Words(int y) const {
  return reinterpret_cast<uint32_t *>(words_.Row(static_cast<UINT>(y)));
}

void DeferredDepth::ClearWords(uint32_t *row, int x0, int x1, uint32_t value, uint32_t mask) {
  if (x0 >= x1) return;
  if (mask == 0xFFFFFFFFu) {
    FillWords(row + x0, static_cast<size_t>(x1 - x0), value);
    return;
  }
  const uint32_t set = value & mask;
  for (int x = x0; x < x1; ++x) row[x] = (row[x] & ~mask) | set;
}

} // namespace zrq::d3d9
