// Reading the numbers of the command line. Every reader refuses what is not wholly a number
// of the expected kind and range, and its message names the flag.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int64_t kMaxFrameCount = 100'000'000;

// One --key: a key frame of "Effect Value" at a normalised time, holding a percentage.
struct KeyFrameArgument {
  double time;
  double percent;
  bool operator==(const KeyFrameArgument &) const = default;
};

inline constexpr int kMaxCurveSamples = 10'001;

// An effect value in percent: a finite real number from 0 to 100 ("37.5", "1e1").
Result<double> ParsePercent(std::string_view flag, std::string_view text);

// A normalised time: a finite real number from 0 (the start of the clip) to 1 (its end).
Result<double> ParseTime(std::string_view flag, std::string_view text);

// A key frame written T=V: a time as ParseTime takes it and a value as ParsePercent does.
Result<KeyFrameArgument> ParseKeyFrame(std::string_view flag, std::string_view text);

// How many times a curve is sampled at: 2 to kMaxCurveSamples.
Result<int> ParseSampleCount(std::string_view flag, std::string_view text);

// A frame count from 1 to kMaxFrameCount.
Result<int64_t> ParseFrameCount(std::string_view flag, std::string_view text);

// A file name: any text but the empty one.
Result<std::string> ParseFileName(std::string_view flag, std::string_view text);

// A picture size written WxH ("1920x1080"), each side from 1 to kMaxFrameSide.
Result<FrameSize> ParseFrameSize(std::string_view flag, std::string_view text);
