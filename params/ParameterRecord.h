// One parameter: its value, range and default, name, description, usage code and id.
// Copying a record copies the four values and shares the two strings.
#pragma once

#include "params/SharedString.h"
#include "params/StoredVariant.h"

struct ParameterRecord {
  StoredVariant Value;
  StoredVariant ValueMin;
  StoredVariant ValueMax;
  StoredVariant ValueDef;
  SharedString Name;
  SharedString Desc;
  LONG Usage = 0;
  LONG ParamID = 0;

  // A record from its parts; the strings are copied into new shared strings (null: absent).
  [[nodiscard]] static HRESULT Create(LONG id, const VARIANT &value, const VARIANT &valueMin,
                                      const VARIANT &valueMax, const VARIANT &valueDef,
                                      LPCOLESTR name, LPCOLESTR desc, LONG usage,
                                      ParameterRecord *out) noexcept;
};
