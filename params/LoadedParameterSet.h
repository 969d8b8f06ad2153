// What a parameter-set document holds, read out of the DOM before anything in the parameter
// set is changed: the records to merge and the key frames, each group in document order.
#pragma once

#include <array>
#include <vector>

#include "params/ParameterRecord.h"

struct LoadedRecord {
  ParameterRecord record; // Usage is 2 when the document gives none
  // A "Parameter" without "ParamID" has no id at all, not id 0: it matches by name only.
  bool hasId = false;
};

struct LoadedKeyFrameValue {
  StoredVariant value; // VT_EMPTY when the document gives none
  bool hasId = false;
  LONG id = 0;
  SharedString name; // the parameter's name when there is no id
};

struct LoadedKeyFrame {
  double time = 0.0;
  std::vector<LoadedKeyFrameValue> values;
};

struct LoadedKeyFrameGroup {
  std::vector<LoadedKeyFrame> keyFrames;
  // S_FALSE when the last "Parameter" read in the group had neither an id nor a name.
  HRESULT status = S_OK;
};

struct LoadedParameterSet {
  // False when the set is saved under a wrapper element and the document has none: a load
  // then changes nothing.
  bool found = false;
  std::vector<LoadedRecord> records;
  std::array<LoadedKeyFrameGroup, 3> groups; // StartOffset, EndOffset, Percentage
};
