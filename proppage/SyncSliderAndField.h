// Keeps a trackbar and the edit field beside it showing one integer value: the value into
// both, or the value taken from one of them into the other.
#pragma once

#include <windows.h>
#include <winuser.h>

enum class SyncMode {
  ValueToControls = 0,
  SliderToValue = 1,
  FieldToValue = 2,
};

// Slider positions scale the value's range minimum..maximum onto the slider's own range
// 0..its maximum, read from the control each time. Returns whether `value` now holds a value
// shown in both controls; false means nothing changed: a field without a leading decimal
// integer in its first 31 characters or one beyond the 32-bit range, a slider whose maximum
// is 0, an empty value range, or a value the slider position maps outside 32 bits.
bool SyncSliderAndField(HWND window, SyncMode mode, int fieldId, int sliderId, LONG &value,
                        LONG minimum, LONG maximum);
