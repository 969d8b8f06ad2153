#include "tests/platform/ui/UiTestSupport.h"

namespace {

using namespace uitest;

class NavigationTest : public WindowsTest {
protected:
  void SetUp() override {
    WindowsTest::SetUp();
    dialog = CreateSampleDialog(frame);
    ASSERT_NE(dialog, nullptr);
  }
  int FocusId() { return GetDlgCtrlID(GetFocus()); }
  void AltKey(UINT vk) {
    ZrqUiKey(VK_MENU, TRUE);
    PressKey(vk);
    ZrqUiKey(VK_MENU, FALSE);
    ZrqUiPumpMessages();
  }
  HWND dialog = nullptr;
};

TEST_F(NavigationTest, TabVisitsTheTabStopsInTemplateOrderAndWraps) {
  ASSERT_EQ(FocusId(), kCombo);
  std::vector<int> visited;
  for (int i = 0; i < 8; ++i) {
    PressKey(VK_TAB);
    visited.push_back(FocusId());
  }
  EXPECT_EQ(visited, (std::vector<int>{kSlider, kField, kTimeSlider, kTimeField, kBack, kAdd,
                                       kRemove, kCombo}));
  ZrqUiKey(VK_SHIFT, TRUE);
  PressKey(VK_TAB);
  EXPECT_EQ(FocusId(), kRemove);
  ZrqUiKey(VK_SHIFT, FALSE);
}

TEST_F(NavigationTest, TabbingIntoAnEditSelectsItsText) {
  SetDlgItemTextW(dialog, kField, u"42");
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  ASSERT_EQ(FocusId(), kField);
  DWORD from = 9, to = 9;
  SendMessageW(GetFocus(), EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 2u);
}

TEST_F(NavigationTest, DisabledOrHiddenControlsArePassedOver) {
  EnableWindow(GetDlgItem(dialog, kSlider), FALSE);
  ShowWindow(GetDlgItem(dialog, kField), SW_HIDE);
  PressKey(VK_TAB);
  EXPECT_EQ(FocusId(), kTimeSlider);
}

TEST_F(NavigationTest, MnemonicsMoveToTheLabelledControlOrPressTheButton) {
  AltKey('K'); // "&Keys", a group box: the next tab stop after it
  EXPECT_EQ(FocusId(), kTimeSlider);
  AltKey('N'); // "&Name:", a label: the combo after it
  EXPECT_EQ(FocusId(), kCombo);
  DialogLog().clear();
  AltKey('A');
  EXPECT_EQ(FocusId(), kAdd);
  EXPECT_EQ(Entries("command").back(), "command " + std::to_string(kAdd) + " 0");
  // Without Alt a letter is a mnemonic where the focus takes no characters (a button) ...
  DialogLog().clear();
  PressKey('M');
  EXPECT_EQ(Entries("command"), (Log{"command " + std::to_string(kRemove) + " 0"}));
  // ... and typing where it does (an edit).
  SetFocus(GetDlgItem(dialog, kField));
  DialogLog().clear();
  PressKey('B');
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kField)), u"b");
}

TEST_F(NavigationTest, ArrowKeysMoveWithinAGroupWhereTheControlDoesNotTakeThem) {
  SetFocus(GetDlgItem(dialog, kBack));
  PressKey(VK_RIGHT);
  EXPECT_EQ(FocusId(), kAdd);
  PressKey(VK_RIGHT);
  EXPECT_EQ(FocusId(), kRemove);
  PressKey(VK_LEFT);
  EXPECT_EQ(FocusId(), kAdd);
  SetFocus(GetDlgItem(dialog, kSlider));
  PressKey(VK_RIGHT);
  EXPECT_EQ(FocusId(), kSlider) << "a trackbar takes its arrow keys";
}

TEST_F(NavigationTest, EnterPressesTheFocusedButtonAndEscapeCancels) {
  SetFocus(GetDlgItem(dialog, kBack));
  DialogLog().clear();
  PressKey(VK_RETURN);
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Entries("command"), (Log{"command " + std::to_string(kBack) + " 0", "command 2 0"}));
}

// A host's frame holding the page navigates through the page's controls as through its own,
// once the page is a control parent.
TEST_F(NavigationTest, AFramesTabReachesIntoAControlParentPage) {
  const HWND button =
      CreateWindowExW(0, WC_BUTTONW, u"&Frame", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 400, 10, 60, 20,
                      frame, reinterpret_cast<HMENU>(77), nullptr, nullptr);
  SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                    GetWindowLongPtrW(dialog, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  SetFocus(button);
  MSG msg{button, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_TRUE(IsDialogMessageW(frame, &msg));
  EXPECT_EQ(FocusId(), kCombo);
  SetFocus(GetDlgItem(dialog, kRemove));
  msg.hwnd = GetFocus();
  EXPECT_TRUE(IsDialogMessageW(frame, &msg));
  EXPECT_EQ(GetFocus(), button);
}

TEST_F(NavigationTest, MessagesOfOtherWindowsAreNotTheDialogs) {
  MSG msg{frame, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
  EXPECT_FALSE(IsDialogMessageW(dialog, &msg));
  msg.hwnd = GetDlgItem(dialog, kCombo);
  EXPECT_TRUE(IsDialogMessageW(dialog, &msg));
  EXPECT_EQ(FocusId(), kSlider);
}

} // namespace
