#include <winerror.h>
#include <zrqresource.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using namespace uitest;

class DialogTest : public WindowsTest {
protected:
  void SetUp() override {
    WindowsTest::SetUp();
    dialog = CreateSampleDialog(frame);
    ASSERT_NE(dialog, nullptr);
  }
  RECT InDialog(int id) {
    RECT r, d;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    GetWindowRect(dialog, &d);
    return RECT{r.left - d.left, r.top - d.top, r.right - d.left, r.bottom - d.top};
  }
  HWND dialog = nullptr;
};

// Dialog units become pixels with MulDiv and the 6 x 13 base units of 8-point MS Sans Serif.
TEST_F(DialogTest, ControlsSitWhereTheTemplatePutsThem) {
  RECT d;
  GetWindowRect(dialog, &d);
  EXPECT_EQ(d.right - d.left, 300);
  EXPECT_EQ(d.bottom - d.top, 163) << "100 * 13 / 8 = 162.5 rounds up";
  const RECT slider = InDialog(kSlider);
  EXPECT_EQ(slider.left, 75);
  EXPECT_EQ(slider.top, 39);
  EXPECT_EQ(slider.right - slider.left, 150);
  EXPECT_EQ(slider.bottom - slider.top, 20);
  const RECT field = InDialog(kField);
  EXPECT_EQ(field.left, 234);
  EXPECT_EQ(field.right - field.left, 42);
  EXPECT_EQ(field.bottom - field.top, 23);
  const RECT combo = InDialog(kCombo);
  EXPECT_EQ(combo.top, 10);
  EXPECT_EQ(combo.bottom - combo.top, 21) << "a drop-down list's field is one line tall";

  RECT page{0, 0, 341, 192};
  ASSERT_TRUE(MapDialogRect(dialog, &page));
  EXPECT_EQ(page.right, 512);
  EXPECT_EQ(page.bottom, 312);
  EXPECT_FALSE(MapDialogRect(frame, &page)) << "only dialogs have base units";
  EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(8, 16)) << "the system font's, not the template's";
}

TEST_F(DialogTest, ControlsHaveTheTemplatesClassesStylesAndOrder) {
  WCHAR name[64];
  GetClassNameW(GetDlgItem(dialog, kSlider), name, 64);
  EXPECT_EQ(std::u16string(name), TRACKBAR_CLASSW);
  const HWND field = GetDlgItem(dialog, kField);
  EXPECT_EQ(GetWindowLongPtrW(field, GWL_STYLE),
            static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_RIGHT));
  const HWND label = GetWindow(dialog, GW_CHILD);
  EXPECT_EQ(GetDlgCtrlID(label), -1);
  EXPECT_EQ(TextOf(label), u"&Name:");
  EXPECT_TRUE(GetWindowLongPtrW(label, GWL_STYLE) & WS_GROUP);
  EXPECT_EQ(GetWindow(label, GW_HWNDNEXT), GetDlgItem(dialog, kCombo));
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kCombo))
      << "WM_INITDIALOG returned TRUE: the first tab stop has the focus";
}

TEST_F(DialogTest, AHandledMessageAnswersWithDwlpMsgResult) {
  const HWND add = GetDlgItem(dialog, kAdd);
  EXPECT_EQ(
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kAdd, BN_CLICKED), reinterpret_cast<LPARAM>(add)),
      1234);
  EXPECT_EQ(SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kBack, BN_CLICKED), 0), 0);
  SetWindowLongPtrW(dialog, DWLP_USER, 99);
  EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), 99) << "a dialog has DLGWINDOWEXTRA bytes";
}

TEST_F(DialogTest, DialogItemTextAndNumbers) {
  ASSERT_TRUE(SetDlgItemInt(dialog, kField, static_cast<UINT>(-17), TRUE));
  BOOL ok = FALSE;
  EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, kField, &ok, TRUE)), -17);
  EXPECT_TRUE(ok);
  SetDlgItemTextW(dialog, kField, u"12ab");
  EXPECT_EQ(GetDlgItemInt(dialog, kField, &ok, FALSE), 0u);
  EXPECT_FALSE(ok);
  WCHAR text[3];
  EXPECT_EQ(GetDlgItemTextW(dialog, kField, text, 3), 2u);
  EXPECT_EQ(std::u16string(text), u"12");
  EXPECT_EQ(GetDlgItemTextW(dialog, 999, text, 3), 0u);
}

TEST_F(DialogTest, TheProcedureHearsOfItsWindowsEndWhenTheHostDestroysTheParent) {
  DestroyWindow(frame);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(DialogLog().back(), "ncdestroy");
}

// A classic template (DLGTEMPLATE), as a host may build in memory: words, 16-bit ids.
TEST(DialogTemplate, AClassicTemplateMakesTheSameDialog) {
  std::vector<WORD> t;
  auto dword = [&](DWORD d) { t.push_back(LOWORD(d)), t.push_back(HIWORD(d)); };
  auto text = [&](const std::u16string &s) {
    for (char16_t c : s) t.push_back(c);
    t.push_back(0);
  };
  dword(WS_POPUP | DS_SETFONT);
  dword(0);
  for (WORD w : {1, 0, 0, 100, 50}) t.push_back(w); // one item; x, y, cx, cy
  t.push_back(0), t.push_back(0);                   // no menu, the dialog class
  text(u"Classic");
  t.push_back(8);
  text(u"MS Shell Dlg");
  if (t.size() % 2) t.push_back(0); // items start on a DWORD boundary
  dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  dword(0);
  for (WORD w : {5, 5, 40, 14, 0xFFFF}) t.push_back(w); // x, y, cx, cy, id -1
  t.push_back(0xFFFF), t.push_back(0x80);               // Button
  text(u"OK");
  t.push_back(0);
  HWND dialog = CreateDialogIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                           nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(TextOf(dialog), u"Classic");
  const HWND ok = GetWindow(dialog, GW_CHILD);
  EXPECT_EQ(GetDlgCtrlID(ok), -1);
  EXPECT_EQ(TextOf(ok), u"OK");
  RECT r;
  GetWindowRect(ok, &r);
  EXPECT_EQ(r.left, 8);
  EXPECT_EQ(r.top, 8);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 23);
  DestroyWindow(dialog);
}

// The template as the resource compiler wrote it, and every shorter piece of it.
TEST(DialogTemplate, ADamagedTemplateIsRefusedWithoutReadingPastIt) {
  HRSRC found = FindResourceW(ZrqThisModule(), MAKEINTRESOURCEW(kSampleDialog), RT_DIALOG);
  ASSERT_NE(found, nullptr);
  const auto *bytes = static_cast<const BYTE *>(LockResource(LoadResource(ZrqThisModule(), found)));
  const DWORD size = SizeofResource(ZrqThisModule(), found);
  SIZE pixels{};
  ASSERT_EQ(ZrqUiGetDialogTemplateSize(reinterpret_cast<LPCDLGTEMPLATEW>(bytes), size, &pixels),
            S_OK);
  EXPECT_EQ(pixels.cx, 300);
  EXPECT_EQ(pixels.cy, 163);
  for (DWORD n = 0; n < size; ++n) {
    auto piece = std::make_unique<BYTE[]>(n ? n : 1);
    std::memcpy(piece.get(), bytes, n);
    EXPECT_EQ(
        ZrqUiGetDialogTemplateSize(reinterpret_cast<LPCDLGTEMPLATEW>(piece.get()), n, &pixels),
        E_INVALIDARG)
        << n << " of " << size << " bytes";
  }
  EXPECT_EQ(ZrqUiGetDialogTemplateSize(nullptr, size, &pixels), E_POINTER);
}

TEST(DialogTemplate, AMissingResourceMakesNoDialog) {
  EXPECT_EQ(CreateDialogParamW(ZrqThisModule(), MAKEINTRESOURCEW(4321), nullptr, nullptr, 0),
            nullptr);
}

} // namespace
