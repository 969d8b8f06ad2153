// The page's dialog: its message table, the handlers behind each control, and the refresh that
// shows the effect's state.
#include "proppage/ZRQDistortion2DProp.h"

#include <commctrl.h>
#include <zrqresource.h>

#include "effect/EffectIds.h"
#include "effect/EffectParameterTable.h"
#include "params/KeyFrameGroup.h"
#include "proppage/FillEffectList.h"
#include "proppage/NearestInteger.h"
#include "proppage/PageControlIds.h"

namespace {

// Both value pairs run from 0 to 100: the effect value in percent, the time in hundredths.
constexpr LONG kShownMinimum = 0;
constexpr LONG kShownMaximum = 100;
constexpr double kTimeStep = 0.01;

constexpr int kControls[] = {
    EffectListId,
    EffectValueSliderId,
    EffectValueFieldId,
    TimeSliderId,
    TimeFieldId,
    PreviousKeyFrameButtonId,
    NextKeyFrameButtonId,
    AddKeyFrameButtonId,
    RemoveKeyFrameButtonId,
    RemoveAllKeyFramesButtonId,
};

// A parameter's value as a 32-bit integer, whatever integer or real type a loaded project gave
// it, so the page never reads the wrong member of the value.
HRESULT ReadInteger(IEffectParameters *parameters, LONG id, LONG *value) {
  CComVariant held;
  HRESULT hr = parameters->GetValue(id, &held);
  if (SUCCEEDED(hr)) hr = held.ChangeType(VT_I4);
  if (FAILED(hr)) return hr;
  *value = held.lVal;
  return S_OK;
}

HRESULT ReadTime(IEffectParameters *parameters, double *time) {
  CComVariant held;
  HRESULT hr = parameters->GetValue(CurrentTimeParameter, &held);
  if (SUCCEEDED(hr)) hr = held.ChangeType(VT_R8);
  if (FAILED(hr)) return hr;
  *time = held.dblVal;
  return S_OK;
}

HRESULT WriteTime(IEffectParameters *parameters, double time) {
  return parameters->SetValue(CurrentTimeParameter, CComVariant(time));
}

// The effect value is stored as its low 16 bits.
CComVariant EffectValue(LONG value) { return CComVariant(static_cast<short>(value)); }

} // namespace

INT_PTR CALLBACK ZRQDistortion2DProp::DialogProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto *page = reinterpret_cast<ZRQDistortion2DProp *>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    page->dialog = window;
    page->OnInitPage();
    return FALSE;
  }
  auto *page = reinterpret_cast<ZRQDistortion2DProp *>(GetWindowLongPtrW(window, DWLP_USER));
  if (!page) return FALSE;
  if (message == WM_NCDESTROY) {
    // Destroyed with its parent, the dialog must not be destroyed again by the page.
    SetWindowLongPtrW(window, DWLP_USER, 0);
    if (page->dialog == window) page->dialog = nullptr;
    return FALSE;
  }
  HRESULT result = S_OK;
  if (!page->Dispatch(message, wParam, lParam, result)) return FALSE;
  SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result));
  return TRUE;
}

bool ZRQDistortion2DProp::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, HRESULT &result) {
  switch (message) {
  case WM_COMMAND: {
    const int id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    if (id == EffectListId && code == CBN_SELCHANGE) {
      result = OnEffectSelected();
    } else if (id == EffectValueFieldId && code == EN_CHANGE) {
      result = OnEffectValueInput(SyncMode::FieldToValue);
    } else if (id == TimeFieldId && code == EN_CHANGE) {
      result = OnTimeInput(SyncMode::FieldToValue);
    } else if (id == AddKeyFrameButtonId && code == BN_CLICKED) {
      result = OnAddKeyFrame();
    } else if ((id == PreviousKeyFrameButtonId || id == NextKeyFrameButtonId ||
                id == RemoveKeyFrameButtonId || id == RemoveAllKeyFramesButtonId) &&
               code == BN_CLICKED) {
      result = OnKeyFrameButton(id);
    } else {
      return false;
    }
    return true;
  }
  case WM_NOTIFY: {
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    if (!header || header->code != static_cast<UINT>(NM_RELEASEDCAPTURE)) return false;
    if (header->idFrom == EffectValueSliderId) {
      result = OnEffectValueInput(SyncMode::SliderToValue);
    } else if (header->idFrom == TimeSliderId) {
      result = OnTimeInput(SyncMode::SliderToValue);
    } else {
      return false;
    }
    return true;
  }
  case WM_STYLECHANGING:
    // The page's controls take part in its frame's tab order.
    if (wParam == static_cast<WPARAM>(GWL_EXSTYLE)) {
      reinterpret_cast<STYLESTRUCT *>(lParam)->styleNew |= WS_EX_CONTROLPARENT;
      result = 0;
    } else {
      result = 1;
    }
    return true;
  default:
    return false;
  }
}

void ZRQDistortion2DProp::OnInitPage() {
  parameters.Release();
  connected = false;
  if (!objects.empty() && objects.front())
    connected = SUCCEEDED(objects.front().QueryInterface(&parameters)) && parameters;
  if (!connected) {
    DisableControls();
    return;
  }
  FillEffectList(ZrqThisModule(), GetDlgItem(dialog, EffectListId));
  LONG effectId = 0;
  if (FAILED(ReadInteger(parameters, EffectIdParameter, &effectId))) return;
  SendMessageW(GetDlgItem(dialog, EffectListId), CB_SETCURSEL,
               static_cast<WPARAM>(effectId - WaveEffectId), 0);
  RefreshControls();
}

void ZRQDistortion2DProp::DisableControls() {
  for (int id : kControls) EnableWindow(GetDlgItem(dialog, id), FALSE);
}

HRESULT ZRQDistortion2DProp::RefreshControls() {
  LONG effectId = 0;
  if (FAILED(ReadInteger(parameters, EffectIdParameter, &effectId))) return E_FAIL;
  SendMessageW(GetDlgItem(dialog, EffectListId), CB_SETCURSEL,
               static_cast<WPARAM>(effectId - WaveEffectId), 0);

  double time = 0.0;
  if (FAILED(ReadTime(parameters, &time))) return E_FAIL;
  LONG shownTime = NearestInteger(time * 100.0);
  SyncSliderAndField(dialog, SyncMode::ValueToControls, TimeFieldId, TimeSliderId, shownTime,
                     kShownMinimum, kShownMaximum);

  // The value of a key frame lying exactly at the cursor, otherwise the parameter's own.
  CComVariant value;
  HRESULT hr = parameters->GetKeyFrameValue(time, StartOffset, EffectValueParameter, &value);
  if (FAILED(hr)) {
    value.Clear();
    hr = parameters->GetValue(EffectValueParameter, &value);
  }
  if (SUCCEEDED(hr)) hr = value.ChangeType(VT_I4);
  if (FAILED(hr)) return E_FAIL;
  LONG shownValue = static_cast<short>(value.lVal);
  SyncSliderAndField(dialog, SyncMode::ValueToControls, EffectValueFieldId, EffectValueSliderId,
                     shownValue, kShownMinimum, kShownMaximum);
  return S_OK;
}

HRESULT ZRQDistortion2DProp::OnEffectSelected() {
  if (!connected) return E_UNEXPECTED;
  const LRESULT index = SendMessageW(GetDlgItem(dialog, EffectListId), CB_GETCURSEL, 0, 0);
  const HRESULT hr =
      parameters->SetValue(EffectIdParameter, CComVariant(static_cast<int>(index + WaveEffectId)));
  if (FAILED(hr)) return hr;
  // The effect builds the renderer of the new effect.
  return parameters->ApplyParameters();
}

HRESULT ZRQDistortion2DProp::OnEffectValueInput(SyncMode from) {
  if (!connected) return E_UNEXPECTED;
  LONG value = 0;
  if (!SyncSliderAndField(dialog, from, EffectValueFieldId, EffectValueSliderId, value,
                          kShownMinimum, kShownMaximum))
    return S_FALSE;
  return parameters->SetValue(EffectValueParameter, EffectValue(value));
}

HRESULT ZRQDistortion2DProp::OnTimeInput(SyncMode from) {
  if (!connected) return E_UNEXPECTED;
  LONG value = 0;
  if (!SyncSliderAndField(dialog, from, TimeFieldId, TimeSliderId, value, kShownMinimum,
                          kShownMaximum))
    return S_FALSE;
  return WriteTime(parameters, value * kTimeStep);
}

HRESULT ZRQDistortion2DProp::OnAddKeyFrame() {
  if (!connected) return E_UNEXPECTED;
  // At the time typed in the field, which may differ from the stored cursor.
  LONG time = 0;
  if (!SyncSliderAndField(dialog, SyncMode::FieldToValue, TimeFieldId, TimeSliderId, time,
                          kShownMinimum, kShownMaximum))
    return S_FALSE;
  LONG value = 0;
  if (!SyncSliderAndField(dialog, SyncMode::FieldToValue, EffectValueFieldId, EffectValueSliderId,
                          value, kShownMinimum, kShownMaximum))
    return S_FALSE;
  // A refused key frame leaves nothing to show, so its status goes no further.
  (void)parameters->SetKeyFrameValue(time * kTimeStep, StartOffset, EffectValueParameter,
                                     EffectValue(value));
  return S_OK;
}

HRESULT ZRQDistortion2DProp::OnKeyFrameButton(int buttonId) {
  if (!connected) return E_UNEXPECTED;
  double time = 0.0;
  HRESULT hr = ReadTime(parameters, &time);
  if (FAILED(hr)) return hr;
  if (buttonId == RemoveKeyFrameButtonId) {
    // A key frame at the cursor itself goes first, and what is shown stays.
    hr = parameters->RemoveKeyFrameValue(EffectValueParameter, time, StartOffset);
    if (SUCCEEDED(hr)) return hr;
  }
  double previous = 0.0;
  double next = 0.0;
  hr = parameters->GetNeighbourKeyFrames(time, EffectValueParameter, &previous, &next);
  if (FAILED(hr)) return hr;
  const bool nonePrevious = previous < 0.0;
  const bool noneNext = next > 1.0;
  if (nonePrevious && noneNext) return E_FAIL;
  if (buttonId == NextKeyFrameButtonId) {
    hr = noneNext ? E_FAIL : WriteTime(parameters, next);
  } else if (buttonId == PreviousKeyFrameButtonId) {
    hr = nonePrevious ? E_FAIL : WriteTime(parameters, previous);
  } else if (buttonId == RemoveKeyFrameButtonId) {
    // The nearer neighbour; at equal distances the earlier one.
    const bool takePrevious = !nonePrevious && (noneNext || next - time >= time - previous);
    hr = parameters->RemoveKeyFrameValue(EffectValueParameter, takePrevious ? previous : next,
                                         StartOffset);
  } else {
    hr = parameters->RemoveAllKeyFrameValues(EffectValueParameter, StartOffset);
  }
  if (SUCCEEDED(hr)) RefreshControls();
  return hr;
}
