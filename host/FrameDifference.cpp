#include "host/FrameDifference.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

FrameDifference CompareFrames(const Frame &a, const Frame &b) {
  FrameDifference difference;
  difference.pixels = int64_t(a.Width()) * a.Height();
  const BYTE *p = a.Data();
  const BYTE *q = b.Data();
  for (int64_t i = 0; i < difference.pixels; ++i, p += 4, q += 4) {
    if (std::memcmp(p, q, 4) == 0) continue;
    ++difference.differingPixels;
    for (int c = 0; c < 4; ++c)
      difference.largestChannelDifference =
          std::max(difference.largestChannelDifference, std::abs(int(p[c]) - int(q[c])));
  }
  return difference;
}
