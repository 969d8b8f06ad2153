// Key frames: in each time-base group, an ordered map from time to key frame, and in each key
// frame an ordered map from parameter id (as unsigned) to the value it holds then.
#pragma once

#include <map>

#include "params/StoredVariant.h"

enum KeyFrameTimeBase : LONG {
  StartOffset = 1,
  EndOffset = 2,
  Percentage = 4,
  AllTimeBases = 7,
};

using KeyFrame = std::map<ULONG, StoredVariant>;
using KeyFrameGroup = std::map<double, KeyFrame>;
