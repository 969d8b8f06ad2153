// The source lines that a block of destination pixels of a panel-rotate frame will read,
// fetched into the cache a few at a time while the block before it is drawn: late enough not
// to evict what is being read, early enough to arrive in time, and never so many at once that
// the processor drops the requests.
#pragma once

#include "render/software/RotateFrame.h"
#include "render/software/SoftwarePicture.h"

#include <cstddef>
#include <cstdint>

class RotateFootprint {
public:
  // The most source rows a block's footprint can span: its rows plus its columns, and a little.
  static constexpr int kMaxSourceRows = 400;

  // Starts over on destination rows [r0, r1) and columns [i0, i1). The lines are listed by
  // source row, in about the order the block will first read them.
  void Start(const RotateFrame &f, const SourcePicture &src, LONG r0, LONG r1, LONG i0, LONG i1);

  // Lines listed by the last Start.
  std::ptrdiff_t Lines() const { return lines; }

  // The address of the next line in the list, or 0 past its end.
  std::uintptr_t NextLine();

  // Fetches the next `count` lines into the cache, as far as there are any.
  void Fetch(std::ptrdiff_t count);

private:
  struct Run {
    std::uintptr_t first; // address of the first line
    std::ptrdiff_t step;  // +64 or -64 bytes
    std::ptrdiff_t count;
  };
  Run runs[kMaxSourceRows];
  int runCount = 0;
  int run = 0;                // next run to fetch from
  std::ptrdiff_t fetched = 0; // lines of it already fetched
  std::ptrdiff_t lines = 0;
};
