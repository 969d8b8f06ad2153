// The page driven through its controls: each step read back from the effect's parameters.
#include "proppage/PageFixture.h"

namespace zrq::test {
namespace {

using KeyFramer = PageFixture;

TEST_F(KeyFramer, ShowsTheEffectItsTimeCursorAndValue) {
  ASSERT_EQ(effect.SetEffectId(ColorShiftHorizontalEffectId), S_OK);
  ASSERT_EQ(SetTime(0.3), S_OK);
  Open();
  EXPECT_EQ(SendMessageW(Control(EffectListId), CB_GETCOUNT, 0, 0), 10);
  ASSERT_EQ(Selection(), 6);
  WCHAR name[64] = {};
  SendMessageW(Control(EffectListId), CB_GETLBTEXT, 6, reinterpret_cast<LPARAM>(name));
  EXPECT_EQ(std::u16string(name), u"Color Shift Horizontal");
  EXPECT_EQ(Text(TimeFieldId), u"30");
  EXPECT_EQ(SliderPosition(TimeSliderId), 30);
  EXPECT_EQ(Text(EffectValueFieldId), u"50");
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 50);
  for (int id : {EffectListId, TimeFieldId, AddKeyFrameButtonId})
    EXPECT_TRUE(IsWindowEnabled(Control(id)));
}

TEST_F(KeyFramer, ShowsTheKeyFrameLyingAtTheCursor) {
  ASSERT_EQ(effect.Key(0.4, 80), S_OK);
  ASSERT_EQ(SetTime(0.4), S_OK);
  Open();
  EXPECT_EQ(Text(EffectValueFieldId), u"80");
  // The refresh writes what it shows back to the parameter's own value.
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 80);
}

TEST_F(KeyFramer, AKeyFrameHeldAsARealNumberIsShownAsItsValue) {
  // Hosts keep finer values as VT_R8; the page shows them rounded, not their bits as a short.
  ASSERT_EQ(effect.parameters->SetKeyFrameValue(0.4, StartOffset, EffectValueParameter,
                                                CComVariant(37.75)),
            S_OK);
  ASSERT_EQ(SetTime(0.4), S_OK);
  Open();
  EXPECT_EQ(Text(EffectValueFieldId), u"38");
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 38);
}

TEST_F(KeyFramer, TheCursorIsShownToTheNearestHundredthAndWrittenBack) {
  ASSERT_EQ(SetTime(0.125), S_OK);
  Open();
  EXPECT_EQ(Text(TimeFieldId), u"13");
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.13);
  ASSERT_EQ(page->Deactivate(), S_OK);
  ASSERT_EQ(SetTime(0.124), S_OK);
  Open();
  EXPECT_EQ(Text(TimeFieldId), u"12");
}

TEST_F(KeyFramer, ChoosingAnEffectWritesAndAppliesIt) {
  // Rendered beside an effect set to Panel Rotate directly, the page's choice draws the same.
  constexpr int kSide = 8;
  EffectObject reference;
  for (EffectObject *e : {&effect, &reference}) {
    ASSERT_EQ(e->software->SetFrameSize(kSide, kSide, 0, 0), S_OK);
    ASSERT_EQ(e->Key(0.0, 60), S_OK);
  }
  ASSERT_EQ(effect.parameters->ApplyParameters(), S_OK);
  ASSERT_EQ(reference.SetEffectId(PanelRotateEffectId), S_OK);
  ASSERT_EQ(reference.parameters->ApplyParameters(), S_OK);
  Open();
  SendMessageW(Control(EffectListId), CB_SETCURSEL, 9, 0);
  EXPECT_EQ(Parameter(EffectIdParameter).lVal, ReplicateEffectId)
      << "setting the selection is no choice";
  EXPECT_EQ(Command(EffectListId, CBN_SELCHANGE), S_OK);
  const CComVariant id = Parameter(EffectIdParameter);
  EXPECT_EQ(id.vt, VT_I4);
  EXPECT_EQ(id.lVal, PanelRotateEffectId);

  std::vector<uint32_t> source = PatternPicture(kSide, kSide);
  std::vector<uint32_t> drawn(source.size()), expected(source.size());
  for (auto [e, out] : {std::pair{&effect, &drawn}, std::pair{&reference, &expected}}) {
    BYTE *sources[] = {reinterpret_cast<BYTE *>(source.data())};
    LONG strides[] = {kSide * 4};
    ASSERT_EQ(e->software->PrepareSoftwareFrame(0.0, 0, 0), S_OK);
    ASSERT_EQ(e->software->ProcessFrame(sources, 0, strides, 0,
                                        reinterpret_cast<BYTE *>(out->data()), 0, 0, kSide, kSide,
                                        kSide * 4),
              S_OK);
  }
  EXPECT_EQ(drawn, expected);
}

TEST_F(KeyFramer, ArrowKeysOnTheEffectListChooseAsAUserDoes) {
  Open();
  SetFocus(Control(EffectListId));
  ASSERT_TRUE(ZrqUiKey(VK_DOWN, TRUE));
  ASSERT_TRUE(ZrqUiKey(VK_DOWN, FALSE));
  ZrqUiPumpMessages();
  EXPECT_EQ(Parameter(EffectIdParameter).lVal, MirrorFromTopEffectId);
}

TEST_F(KeyFramer, TheEffectValueFieldWritesEveryNumberTypedIntoIt) {
  Open();
  Type(EffectValueFieldId, u"42");
  CComVariant value = Parameter(EffectValueParameter);
  EXPECT_EQ(value.vt, VT_I2);
  EXPECT_EQ(value.iVal, 42);
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 42);
  Type(EffectValueFieldId, u"abc");
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 42);
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 42);
  Type(EffectValueFieldId, u"");
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 42);
  Type(EffectValueFieldId, u"7x");
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 7);
  // Beyond the range the value passes unclamped; the slider stops at its end.
  Type(EffectValueFieldId, u"150");
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 150);
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 100);
}

TEST_F(KeyFramer, NumbersBeyondThirtyTwoBitsAndOverlongTextChangeNothing) {
  Open();
  Type(EffectValueFieldId, u"20");
  Type(EffectValueFieldId, u"4294967316"); // 20 more than 2^32
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 20);
  EXPECT_EQ(SliderPosition(EffectValueSliderId), 20);
  Type(TimeFieldId, u"99999999999");
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.0);
  // Only the first 31 characters are read: the digits after them do not count.
  Type(EffectValueFieldId, (std::u16string(29, u' ') + u"3456").c_str());
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 34);
}

TEST_F(KeyFramer, KeystrokesInAFieldWriteAtEachChange) {
  Open();
  SetFocus(Control(EffectValueFieldId));
  SendMessageW(Control(EffectValueFieldId), EM_SETSEL, 0, -1);
  ASSERT_TRUE(ZrqUiChar(u'9'));
  ZrqUiPumpMessages();
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 9);
  ASSERT_TRUE(ZrqUiChar(u'1'));
  ZrqUiPumpMessages();
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 91);
}

TEST_F(KeyFramer, TheTimeFieldMovesTheCursorUnclamped) {
  Open();
  Type(TimeFieldId, u"40");
  CComVariant time = Parameter(CurrentTimeParameter);
  EXPECT_EQ(time.vt, VT_R8);
  EXPECT_DOUBLE_EQ(time.dblVal, 0.4);
  Type(TimeFieldId, u"150");
  EXPECT_DOUBLE_EQ(CurrentTime(), 1.5);
  EXPECT_EQ(SliderPosition(TimeSliderId), 100);
}

TEST_F(KeyFramer, SlidersActOnlyWhenTheMouseLetsGo) {
  Open();
  SendMessageW(Control(TimeSliderId), TBM_SETPOS, TRUE, 25);
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.0);
  ClickThumb(TimeSliderId);
  const CComVariant time = Parameter(CurrentTimeParameter);
  EXPECT_EQ(time.vt, VT_R8);
  EXPECT_DOUBLE_EQ(time.dblVal, 0.25);
  EXPECT_EQ(Text(TimeFieldId), u"25");

  SendMessageW(Control(EffectValueSliderId), TBM_SETPOS, TRUE, 70);
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 50);
  ClickThumb(EffectValueSliderId);
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 70);
  EXPECT_EQ(Text(EffectValueFieldId), u"70");
}

TEST_F(KeyFramer, ASliderWithoutARangeChangesNothing) {
  Open();
  SendMessageW(Control(TimeSliderId), TBM_SETRANGEMAX, TRUE, 0);
  ASSERT_EQ(SetTime(0.3), S_OK);
  NMHDR released = {Control(TimeSliderId), UINT_PTR(TimeSliderId), UINT(NM_RELEASEDCAPTURE)};
  SendMessageW(dialog, WM_NOTIFY, TimeSliderId, reinterpret_cast<LPARAM>(&released));
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.3);
  // Shown values still reach the field; the slider sits at its only position.
  Type(TimeFieldId, u"60");
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.6);
  EXPECT_EQ(SliderPosition(TimeSliderId), 0);
}

TEST_F(KeyFramer, StepsBetweenKeyFramesAndRemovesTheNearer) {
  ASSERT_EQ(effect.Key(0.2, 10), S_OK);
  ASSERT_EQ(effect.Key(0.6, 90), S_OK);
  Open();
  ASSERT_EQ(SetTime(0.3), S_OK);
  EXPECT_EQ(Press(NextKeyFrameButtonId), S_OK);
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.6);
  EXPECT_EQ(Text(TimeFieldId), u"60");
  EXPECT_EQ(Text(EffectValueFieldId), u"90");
  EXPECT_EQ(Press(PreviousKeyFrameButtonId), S_OK);
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.2);
  EXPECT_EQ(Text(EffectValueFieldId), u"10");
  ASSERT_EQ(SetTime(0.3), S_OK);
  EXPECT_EQ(Press(RemoveKeyFrameButtonId), S_OK);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.6});
}

TEST_F(KeyFramer, EqualDistancesRemoveTheEarlierKeyFrame) {
  ASSERT_EQ(effect.Key(0.25, 10), S_OK);
  ASSERT_EQ(effect.Key(0.75, 90), S_OK);
  Open();
  ASSERT_EQ(SetTime(0.5), S_OK);
  EXPECT_EQ(Press(RemoveKeyFrameButtonId), S_OK);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.75});
}

TEST_F(KeyFramer, RemoveAtTheCursorLeavesTheControlsAsTheyWere) {
  ASSERT_EQ(effect.Key(0.4, 80), S_OK);
  ASSERT_EQ(effect.Key(0.9, 20), S_OK);
  ASSERT_EQ(SetTime(0.4), S_OK);
  Open();
  EXPECT_EQ(Press(RemoveKeyFrameButtonId), S_OK);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.9});
  EXPECT_EQ(Text(EffectValueFieldId), u"80");
  EXPECT_EQ(Text(TimeFieldId), u"40");
}

TEST_F(KeyFramer, ALoneKeyFrameAtTheCursorLeavesNothingToStepTo) {
  ASSERT_EQ(effect.Key(0.5, 80), S_OK);
  Open();
  ASSERT_EQ(SetTime(0.505), S_OK); // within 0.01 of the key frame
  for (int button : {PreviousKeyFrameButtonId, NextKeyFrameButtonId, RemoveAllKeyFramesButtonId}) {
    EXPECT_EQ(Press(button), E_FAIL) << button;
    EXPECT_EQ(KeyTimes(), std::vector<double>{0.5}) << button;
    EXPECT_DOUBLE_EQ(CurrentTime(), 0.505) << button;
  }
}

TEST_F(KeyFramer, NextFailsWhenEveryKeyFrameLiesBefore) {
  ASSERT_EQ(effect.Key(0.1, 80), S_OK);
  Open();
  ASSERT_EQ(SetTime(0.5), S_OK);
  EXPECT_EQ(Press(NextKeyFrameButtonId), E_FAIL);
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.5);
}

TEST_F(KeyFramer, KeyFrameButtonsWithoutKeyFramesReportTheParameterSetsFailure) {
  Open();
  EXPECT_EQ(Press(NextKeyFrameButtonId), E_INVALIDARG);
  EXPECT_EQ(Press(RemoveKeyFrameButtonId), E_INVALIDARG);
}

TEST_F(KeyFramer, RemoveAllEmptiesTheStartOffsetGroupAndRefreshes) {
  ASSERT_EQ(effect.Key(0.2, 10), S_OK);
  ASSERT_EQ(effect.Key(0.6, 90), S_OK);
  ASSERT_EQ(effect.parameters->SetKeyFrameValue(0.3, EndOffset, EffectValueParameter,
                                                CComVariant(short(5))),
            S_OK);
  Open();
  ASSERT_EQ(SetTime(0.4), S_OK);
  EXPECT_EQ(Press(RemoveAllKeyFramesButtonId), S_OK);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.3}); // the end-offset key frame stays
  EXPECT_EQ(Text(TimeFieldId), u"40");
}

TEST_F(KeyFramer, AddPlacesAKeyFrameAtTheTypedTimeWithoutRefreshing) {
  Open();
  Type(TimeFieldId, u"50");
  Type(EffectValueFieldId, u"80");
  ASSERT_EQ(SetTime(0.1), S_OK); // the stored cursor differs from the field
  EXPECT_EQ(Press(AddKeyFrameButtonId), S_OK);
  ASSERT_EQ(KeyTimes(), std::vector<double>{0.5});
  CComVariant value;
  ASSERT_EQ(effect.parameters->GetKeyFrameValue(0.5, StartOffset, EffectValueParameter, &value),
            S_OK);
  EXPECT_EQ(value.vt, VT_I2);
  EXPECT_EQ(value.iVal, 80);
  EXPECT_DOUBLE_EQ(CurrentTime(), 0.1);
  EXPECT_EQ(Text(TimeFieldId), u"50");
}

TEST_F(KeyFramer, APageWithoutTheEffectDisablesEverythingAndChangesNothing) {
  // An object that is not the effect: another page has no IEffectParameters.
  CComPtr<IUnknown> stranger;
  ASSERT_EQ(ZRQDistortion2DProp::CreateInstance(nullptr, IID_IUnknown,
                                                reinterpret_cast<void **>(&stranger)),
            S_OK);
  ASSERT_EQ(effect.Key(0.5, 30), S_OK);
  Open(stranger);
  for (int id : {EffectListId, EffectValueSliderId, EffectValueFieldId, TimeSliderId, TimeFieldId,
                 PreviousKeyFrameButtonId, NextKeyFrameButtonId, AddKeyFrameButtonId,
                 RemoveKeyFrameButtonId, RemoveAllKeyFramesButtonId})
    EXPECT_FALSE(IsWindowEnabled(Control(id))) << id;
  EXPECT_EQ(SendMessageW(Control(EffectListId), CB_GETCOUNT, 0, 0), 0);
  for (int button : {PreviousKeyFrameButtonId, NextKeyFrameButtonId, AddKeyFrameButtonId,
                     RemoveKeyFrameButtonId, RemoveAllKeyFramesButtonId})
    EXPECT_EQ(Press(button), E_UNEXPECTED) << button;
  Type(EffectValueFieldId, u"12");
  EXPECT_EQ(Command(EffectListId, CBN_SELCHANGE), E_UNEXPECTED);
  NMHDR released = {Control(TimeSliderId), UINT_PTR(TimeSliderId), UINT(NM_RELEASEDCAPTURE)};
  EXPECT_EQ(
      HRESULT(SendMessageW(dialog, WM_NOTIFY, TimeSliderId, reinterpret_cast<LPARAM>(&released))),
      E_UNEXPECTED);
  EXPECT_EQ(Parameter(EffectValueParameter).iVal, 50);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.5});
}

TEST_F(KeyFramer, APageWithoutObjectsIsDisabledToo) {
  ASSERT_EQ(page->Activate(frame, &kPageRect, FALSE), S_OK);
  dialog = GetWindow(frame, GW_CHILD);
  EXPECT_FALSE(IsWindowEnabled(Control(AddKeyFrameButtonId)));
  EXPECT_EQ(Press(AddKeyFrameButtonId), E_UNEXPECTED);
}

} // namespace
} // namespace zrq::test
