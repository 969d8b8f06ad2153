// The page as its frame sees it: its interfaces, IPropertyPage's slots and its dialog.
#include "proppage/PageFixture.h"

#include "ReferenceCount.h"

namespace zrq::test {
namespace {

// A frame's site that counts its references.
class CountingSite final : public IPropertyPageSite {
public:
  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
    if (riid != IID_IUnknown && riid != IID_IPropertyPageSite) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++references); }
  STDMETHODIMP_(ULONG) Release() override { return ULONG(--references); }
  STDMETHODIMP OnStatusChange(DWORD) override { return S_OK; }
  STDMETHODIMP GetLocaleID(LCID *) override { return E_NOTIMPL; }
  STDMETHODIMP GetPageContainer(IUnknown **) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG *) override { return S_FALSE; }
  int references = 1;
};

using PageObject = PageFixture;

TEST_F(PageObject, AnswersItsTwoInterfacesOnOneIdentity) {
  CComPtr<IUnknown> unknown;
  ASSERT_EQ(page->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unknown)), S_OK);
  EXPECT_EQ(unknown.p, static_cast<IUnknown *>(page.p));
  CComPtr<IUnknown> distortionPage;
  ASSERT_EQ(page->QueryInterface(IID_IDistortionPage, reinterpret_cast<void **>(&distortionPage)),
            S_OK);
  CComPtr<IPropertyPage> back;
  ASSERT_EQ(distortionPage->QueryInterface(IID_IPropertyPage, reinterpret_cast<void **>(&back)),
            S_OK);
  EXPECT_EQ(back.p, page.p);
  void *out = reinterpret_cast<void *>(1);
  EXPECT_EQ(page->QueryInterface(IID_IPropertyPageSite, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(page->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(PageObject, HoldsOneSiteAtATime) {
  CountingSite site, other;
  ASSERT_EQ(page->SetPageSite(&site), S_OK);
  EXPECT_EQ(site.references, 2);
  EXPECT_EQ(page->SetPageSite(&other), E_UNEXPECTED);
  EXPECT_EQ(other.references, 1);
  ASSERT_EQ(page->SetPageSite(nullptr), S_OK);
  EXPECT_EQ(site.references, 1);
  ASSERT_EQ(page->SetPageSite(&other), S_OK);
  page.Release(); // the last release lets go of the site
  EXPECT_EQ(other.references, 1);
}

TEST_F(PageObject, HoldsTheObjectsItIsHandedUntilReplaced) {
  const ULONG before = ReferenceCount(effect.unknown.p);
  IUnknown *objects[] = {effect.unknown, effect.unknown};
  EXPECT_EQ(page->SetObjects(2, nullptr), E_POINTER);
  ASSERT_EQ(page->SetObjects(2, objects), S_OK);
  EXPECT_EQ(ReferenceCount(effect.unknown.p), before + 2);
  ASSERT_EQ(page->SetObjects(0, objects), S_OK);
  EXPECT_EQ(ReferenceCount(effect.unknown.p), before);
}

TEST_F(PageObject, WindowSlotsNeedAnActivatedPage) {
  RECT rect = kPageRect;
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);
  EXPECT_EQ(page->Activate(frame, nullptr, FALSE), E_POINTER);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
  Open();
  EXPECT_EQ(page->Move(nullptr), E_POINTER);
  rect = {10, 20, 210, 120};
  ASSERT_EQ(page->Move(&rect), S_OK);
  RECT placed = {};
  GetWindowRect(dialog, &placed);
  EXPECT_EQ(placed.right - placed.left, 200);
  EXPECT_EQ(placed.bottom - placed.top, 100);
  ASSERT_EQ(page->Show(SW_HIDE), S_OK);
  EXPECT_FALSE(IsWindowVisible(dialog));
  ASSERT_EQ(page->Deactivate(), S_OK);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
}

TEST_F(PageObject, ADialogThatCannotBeMadeIsAFailure) {
  RECT rect = kPageRect;
  EXPECT_EQ(page->Activate(reinterpret_cast<HWND>(uintptr_t{0xDEAD}), &rect, FALSE), E_FAIL);
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
}

TEST_F(PageObject, DescribesItselfInPixelsAndStringsOfItsOwn) {
  EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
  PROPPAGEINFO info = {};
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
  EXPECT_EQ(std::u16string(info.pszTitle), u"Distortion2D");
  EXPECT_EQ(std::u16string(info.pszHelpFile), u"Help File Name");
  EXPECT_EQ(std::u16string(info.pszDocString), u"Your Help String");
  EXPECT_EQ(info.dwHelpContext, 0u);
  EXPECT_EQ(info.size.cx, kPageRect.right);
  EXPECT_EQ(info.size.cy, kPageRect.bottom);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszHelpFile);
  CoTaskMemFree(info.pszDocString);
}

TEST_F(PageObject, IsNeverDirtyAndApplyWritesNothing) {
  Open();
  ASSERT_EQ(effect.Key(0.5, 30), S_OK);
  EXPECT_EQ(page->IsPageDirty(), S_FALSE);
  EXPECT_EQ(page->Apply(), S_OK);
  EXPECT_EQ(KeyTimes(), std::vector<double>{0.5});
}

TEST_F(PageObject, HelpOpensTheHelpFileInTheGivenFolder) {
  Open();
  ZrqUiClearHelpRequest();
  EXPECT_EQ(page->Help(nullptr), E_POINTER);
  ZRQHELPREQUEST request = {};
  EXPECT_FALSE(ZrqUiGetLastHelpRequest(&request));
  ASSERT_EQ(page->Help(u"C:\\Help"), S_OK);
  ASSERT_TRUE(ZrqUiGetLastHelpRequest(&request));
  EXPECT_EQ(std::u16string(request.file), u"C:\\Help\\Help File Name");
  EXPECT_EQ(request.command, UINT(HELP_CONTEXTPOPUP));
  EXPECT_EQ(request.data, 0u);
}

TEST_F(PageObject, TranslatesOnlyKeyAndMouseMessagesOfDialogNavigation) {
  Open();
  EXPECT_EQ(page->TranslateAccelerator(nullptr), E_POINTER);
  MSG timer = {dialog, WM_TIMER, 1, 0, 0, {0, 0}};
  EXPECT_EQ(page->TranslateAccelerator(&timer), S_FALSE);
  // Tab moves the focus from the effect list to the next tab stop: the effect-value slider.
  SetFocus(Control(EffectListId));
  MSG tab = {Control(EffectListId), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_EQ(page->TranslateAccelerator(&tab), S_OK);
  EXPECT_EQ(GetFocus(), Control(EffectValueSliderId));
}

TEST_F(PageObject, TabVisitsEveryControlInTheTemplatesOrder) {
  Open();
  SetFocus(Control(EffectListId));
  const int order[] = {EffectValueSliderId, EffectValueFieldId,       TimeSliderId,
                       TimeFieldId,         PreviousKeyFrameButtonId, NextKeyFrameButtonId,
                       AddKeyFrameButtonId, RemoveKeyFrameButtonId,   RemoveAllKeyFramesButtonId,
                       EffectListId};
  for (int id : order) {
    ASSERT_TRUE(ZrqUiKey(VK_TAB, TRUE));
    ASSERT_TRUE(ZrqUiKey(VK_TAB, FALSE));
    ZrqUiPumpMessages();
    EXPECT_EQ(GetFocus(), Control(id)) << "expected the focus on " << id;
  }
}

TEST_F(PageObject, TakesPartInItsFramesTabOrder) {
  Open();
  SetWindowLongPtrW(dialog, GWL_EXSTYLE, 0);
  EXPECT_TRUE(GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
}

TEST_F(PageObject, LaysOutItsControlsInDialogUnitsOfItsFont) {
  Open();
  // Dialog units of 6 x 13 pixels base: x * 6 / 4 and y * 13 / 8, rounded.
  auto x = [](int units) { return (units * 6 + 2) / 4; };
  auto y = [](int units) { return (units * 13 + 4) / 8; };
  auto placed = [&](int id) {
    RECT rect = {};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
  };
  const RECT slider = placed(EffectValueSliderId);
  EXPECT_EQ(slider.left, x(79));
  EXPECT_EQ(slider.top, y(71));
  EXPECT_EQ(slider.right, x(79 + 154));
  const RECT removeAll = placed(RemoveAllKeyFramesButtonId);
  EXPECT_EQ(removeAll.left, x(187));
  EXPECT_EQ(removeAll.bottom, y(124 + 10));
  EXPECT_EQ(GetWindowLongPtrW(Control(TimeFieldId), GWL_STYLE) & (ES_RIGHT | ES_AUTOHSCROLL),
            ES_RIGHT | ES_AUTOHSCROLL);
}

TEST_F(PageObject, ADialogOfADestroyedFrameIsForgotten) {
  Open();
  DestroyWindow(frame);
  frame = nullptr;
  EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED);
  EXPECT_EQ(page->Deactivate(), S_OK);
}

TEST_F(PageObject, ReactivationConnectsAndFillsTheControlsAgain) {
  Open();
  ASSERT_EQ(page->Deactivate(), S_OK);
  ASSERT_EQ(effect.SetEffectId(PanelRotateEffectId), S_OK);
  ASSERT_EQ(page->Activate(frame, &kPageRect, FALSE), S_OK);
  dialog = GetWindow(frame, GW_CHILD);
  EXPECT_EQ(SendMessageW(Control(EffectListId), CB_GETCOUNT, 0, 0), 10);
  EXPECT_EQ(Selection(), 9);
}

} // namespace
} // namespace zrq::test
