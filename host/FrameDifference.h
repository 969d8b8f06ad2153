// How far two pictures of one size differ: how many pixels differ in any channel (alpha
// included), and the largest difference of one channel.
#pragma once

#include "host/Frame.h"

#include <cstdint>

struct FrameDifference {
  int64_t differingPixels = 0;
  int64_t pixels = 0;
  int largestChannelDifference = 0;

  // The share of differing pixels in percent.
  double Percent() const { return pixels ? 100.0 * double(differingPixels) / double(pixels) : 0.0; }
};

// `a` and `b` must have one size.
FrameDifference CompareFrames(const Frame &a, const Frame &b);
