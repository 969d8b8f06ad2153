#include "proppage/SyncSliderAndField.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "proppage/FieldNumber.h"

namespace {

// The field is read into 31 characters and their terminator.
constexpr int kFieldCharacters = 32;

LONG SliderMaximum(HWND slider) {
  return static_cast<LONG>(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0));
}

// Computed in 64 bits, since a typed value times the slider's maximum may leave 32; the
// trackbar clamps the position to its range in any case.
void ShowOnSlider(HWND slider, LONG value, LONG minimum, LONG maximum) {
  const int64_t scaled =
      (int64_t{value} - minimum) * SliderMaximum(slider) / (int64_t{maximum} - minimum);
  const int64_t position = std::clamp<int64_t>(scaled, INT32_MIN, INT32_MAX);
  SendMessageW(slider, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

void ShowInField(HWND window, int fieldId, LONG value, LONG minimum) {
  SetDlgItemTextW(window, fieldId, FieldNumberText(value, minimum < 0).c_str());
}

} // namespace

bool SyncSliderAndField(HWND window, SyncMode mode, int fieldId, int sliderId, LONG &value,
                        LONG minimum, LONG maximum) {
  if (maximum == minimum) return false;
  HWND slider = GetDlgItem(window, sliderId);
  switch (mode) {
  case SyncMode::ValueToControls:
    ShowInField(window, fieldId, value, minimum);
    ShowOnSlider(slider, value, minimum, maximum);
    return true;
  case SyncMode::SliderToValue: {
    const LONG sliderMaximum = SliderMaximum(slider);
    if (sliderMaximum == 0) return false;
    const int64_t position = static_cast<LONG>(SendMessageW(slider, TBM_GETPOS, 0, 0));
    const int64_t result = (int64_t{maximum} - minimum) * position / sliderMaximum + minimum;
    if (result < INT32_MIN || result > INT32_MAX) return false;
    value = static_cast<LONG>(result);
    ShowInField(window, fieldId, value, minimum);
    return true;
  }
  case SyncMode::FieldToValue: {
    WCHAR text[kFieldCharacters] = {};
    const UINT length = GetDlgItemTextW(window, fieldId, text, kFieldCharacters);
    const std::optional<LONG> typed =
        ReadFieldNumber(std::u16string_view(text, std::min<UINT>(length, kFieldCharacters - 1)));
    if (!typed) return false;
    value = *typed;
    ShowOnSlider(slider, value, minimum, maximum);
    return true;
  }
  }
  return false;
}
