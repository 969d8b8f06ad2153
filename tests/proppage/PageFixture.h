// The property page over a new effect, activated in a frame window of its own, with helpers
// that act on its controls as a user does and read the effect's parameters back.
#pragma once

#include <gtest/gtest.h>

#include <commctrl.h>
#include <zrqui.h>

#include <string>
#include <vector>

#include "effect/EffectObjectFixture.h"
#include "proppage/PageControlIds.h"
#include "proppage/ZRQDistortion2DProp.h"

namespace zrq::test {

// The page's pixel size: 341 x 192 dialog units in an 8-point "MS Sans Serif".
inline constexpr RECT kPageRect = {0, 0, 512, 312};

class PageFixture : public ::testing::Test {
protected:
  void SetUp() override {
    void *made = nullptr;
    ASSERT_EQ(ZRQDistortion2DProp::CreateInstance(nullptr, IID_IPropertyPage, &made), S_OK);
    page.Attach(static_cast<IPropertyPage *>(made));
    frame = CreateWindowExW(0, FrameClass(), u"frame", WS_POPUP | WS_VISIBLE, 0, 0, kPageRect.right,
                            kPageRect.bottom, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(frame, nullptr);
  }

  void TearDown() override {
    if (page) {
      EXPECT_EQ(page->Deactivate(), S_OK);
    }
    page.Release();
    if (frame) DestroyWindow(frame);
  }

  // Hands the page its objects (the effect unless told otherwise) and shows it in the frame, as
  // a property frame does: activated, then shown.
  void Open() { Open(effect.unknown); }
  void Open(IUnknown *object) {
    IUnknown *objects[] = {object};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    ASSERT_EQ(page->Activate(frame, &kPageRect, FALSE), S_OK);
    ASSERT_EQ(page->Show(SW_SHOW), S_OK);
    dialog = GetWindow(frame, GW_CHILD);
    ASSERT_NE(dialog, nullptr);
  }

  HWND Control(int id) const { return GetDlgItem(dialog, id); }

  std::u16string Text(int id) const {
    WCHAR text[64] = {};
    GetDlgItemTextW(dialog, id, text, 64);
    return text;
  }

  LONG SliderPosition(int id) const { return LONG(SendMessageW(Control(id), TBM_GETPOS, 0, 0)); }
  LRESULT Selection() const { return SendMessageW(Control(EffectListId), CB_GETCURSEL, 0, 0); }

  // A field's text replaced, as typing over a selection does: one text-changed notification.
  void Type(int id, const char16_t *text) { SetDlgItemTextW(dialog, id, text); }

  // What a control tells the dialog, answered with the handler's status.
  HRESULT Command(int id, UINT code) const {
    return HRESULT(SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                                reinterpret_cast<LPARAM>(Control(id))));
  }
  HRESULT Press(int id) const { return Command(id, BN_CLICKED); }

  // The mouse pressed on a slider's thumb and let go: the slider reports the release.
  void ClickThumb(int id) {
    RECT thumb = {};
    SendMessageW(Control(id), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT at = {(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    MapWindowPoints(Control(id), frame, &at, 1);
    ASSERT_TRUE(ZrqUiMouseButton(frame, at.x, at.y, TRUE));
    ASSERT_TRUE(ZrqUiMouseButton(frame, at.x, at.y, FALSE));
    ZrqUiPumpMessages();
  }

  CComVariant Parameter(LONG id) const {
    CComVariant value;
    EXPECT_EQ(effect.parameters->GetValue(id, &value), S_OK);
    return value;
  }
  double CurrentTime() const { return Parameter(CurrentTimeParameter).dblVal; }

  // The start-offset key-frame times of "Effect Value".
  std::vector<double> KeyTimes() const {
    ULONG count = 0;
    if (FAILED(effect.parameters->GetKeyFrameCount(EffectValueParameter, &count)) || count == 0)
      return {};
    std::vector<double> times(count);
    std::vector<LONG> codes(count);
    EXPECT_EQ(effect.parameters->GetKeyFrameTimes(EffectValueParameter, times.data(), codes.data()),
              S_OK);
    return times;
  }

  HRESULT SetTime(double time) {
    return effect.parameters->SetValue(CurrentTimeParameter, CComVariant(time));
  }

  EffectObject effect;
  CComPtr<IPropertyPage> page;
  HWND frame = nullptr;
  HWND dialog = nullptr;

private:
  static LPCWSTR FrameClass() {
    static const ATOM registered = [] {
      WNDCLASSEXW frameClass = {};
      frameClass.cbSize = sizeof frameClass;
      frameClass.lpfnWndProc = DefWindowProcW;
      frameClass.lpszClassName = u"ZrqPageTestFrame";
      return RegisterClassExW(&frameClass);
    }();
    EXPECT_NE(registered, 0);
    return u"ZrqPageTestFrame";
  }
};

} // namespace zrq::test
