// Reading the numbers of the command line. Every reader refuses what is not wholly a number
// of the expected kind and range, and its message names the flag.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <cstdint>
#include <string_view>

inline constexpr int64_t kMaxFrameCount = 100'000'000;

// An effect value in percent: a finite real number from 0 to 100 ("37.5", "1e1").
Result<double> ParsePercent(std::string_view flag, std::string_view text);

// A frame count from 1 to kMaxFrameCount.
Result<int64_t> ParseFrameCount(std::string_view flag, std::string_view text);

// A picture size written WxH ("1920x1080"), each side from 1 to kMaxFrameSide.
Result<FrameSize> ParseFrameSize(std::string_view flag, std::string_view text);
