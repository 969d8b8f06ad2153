#include <algorithm>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using namespace uitest;

class ControlsTest : public WindowsTest {
protected:
  void SetUp() override {
    WindowsTest::SetUp();
    dialog = CreateSampleDialog(frame);
    ASSERT_NE(dialog, nullptr);
    SetFocus(nullptr); // so no control's losing the focus shows in the log
    DialogLog().clear();
  }
  HWND Item(int id) { return GetDlgItem(dialog, id); }
  std::string Command(int id, int code) {
    return "command " + std::to_string(id) + " " + std::to_string(code);
  }
  HWND dialog = nullptr;
};

TEST_F(ControlsTest, EditReportsEveryChangeOfItsTextSetOrTyped) {
  SetDlgItemTextW(dialog, kField, u"42");
  SetDlgItemTextW(dialog, kField, u"42");
  EXPECT_EQ(Entries("command"), (Log{Command(kField, EN_UPDATE), Command(kField, EN_CHANGE),
                                     Command(kField, EN_UPDATE), Command(kField, EN_CHANGE)}))
      << "setting the same text is a change too";
  DialogLog().clear();
  Click(frame, CentreOf(frame, Item(kField)));
  EXPECT_EQ(GetFocus(), Item(kField));
  PressKey(VK_END);
  TypeText(u"7x");
  EXPECT_EQ(TextOf(Item(kField)), u"427x");
  EXPECT_EQ(Entries("command"), (Log{Command(kField, EN_SETFOCUS), Command(kField, EN_UPDATE),
                                     Command(kField, EN_CHANGE), Command(kField, EN_UPDATE),
                                     Command(kField, EN_CHANGE)}));
  PressKey(VK_BACK);
  EXPECT_EQ(TextOf(Item(kField)), u"427");
}

TEST_F(ControlsTest, EditRefusesWhatExceedsItsLimitOrWidth) {
  const HWND field = Item(kField);
  SetFocus(field);
  SendMessageW(field, EM_LIMITTEXT, 3, 0);
  DialogLog().clear();
  TypeText(u"12345");
  EXPECT_EQ(TextOf(field), u"123");
  EXPECT_EQ(Entries("command").back(), Command(kField, EN_MAXTEXT));
  SetWindowTextW(field, u"123456");
  EXPECT_EQ(TextOf(field), u"123456") << "the limit binds the user, not the program";

  // Without ES_AUTOHSCROLL the text must fit the field; with it, it scrolls.
  SetWindowTextW(field, u"");
  SendMessageW(field, EM_LIMITTEXT, 0, 0);
  TypeText(u"8888888888888888");
  EXPECT_LT(TextOf(field).size(), 16u);
  EXPECT_GT(TextOf(field).size(), 3u);
  SetFocus(Item(kTimeField));
  TypeText(u"8888888888888888");
  EXPECT_EQ(TextOf(Item(kTimeField)).size(), 16u);
}

TEST_F(ControlsTest, EditSelectionIsReplacedByTyping) {
  const HWND field = Item(kField);
  SetWindowTextW(field, u"abc");
  SetFocus(field);
  SendMessageW(field, EM_SETSEL, 0, -1);
  DWORD from = 9, to = 9;
  SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  TypeText(u"9");
  EXPECT_EQ(TextOf(field), u"9");
}

TEST_F(ControlsTest, ComboReportsTheUsersChoicesOnly) {
  const HWND combo = Item(kCombo);
  for (const char16_t *name : {u"Wave", u"Ripple", u"Mirror"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(TextOf(combo), u"Ripple");
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 7, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR)
      << "an index out of range clears the selection";
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  EXPECT_TRUE(Entries("command").empty()) << "CB_SETCURSEL is not a user's choice";

  SetFocus(combo);
  DialogLog().clear();
  PressKey(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  PressKey(VK_DOWN); // at the end already: no change, no notification
  EXPECT_EQ(Entries("command"), (Log{Command(kCombo, CBN_SELCHANGE)}));

  // The mouse: open the list, then pick its first entry.
  DialogLog().clear();
  Click(frame, CentreOf(frame, combo));
  ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  RECT r, base;
  GetWindowRect(combo, &r);
  GetWindowRect(frame, &base);
  Click(frame, POINT{r.left - base.left + 10, r.bottom - base.top + 8});
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Entries("command"), (Log{Command(kCombo, CBN_DROPDOWN), Command(kCombo, CBN_SELCHANGE),
                                     Command(kCombo, CBN_SELENDOK), Command(kCombo, CBN_CLOSEUP)}));
}

TEST_F(ControlsTest, ComboKeepsItsEntriesAndAnswersErrors) {
  const HWND combo = Item(kCombo);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"b")), 0);
  EXPECT_EQ(SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"a")), 0);
  WCHAR text[8];
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 1);
  EXPECT_EQ(std::u16string(text), u"b");
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(text)), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(u"B")),
            1);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 1);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 4, 0), CB_ERR);
}

TEST_F(ControlsTest, TrackbarStartsAt0To100AndMovesByKeys) {
  const HWND slider = Item(kSlider);
  EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 100);
  SendMessageW(slider, TBM_SETPOS, TRUE, 40);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 40);
  SendMessageW(slider, TBM_SETPOS, TRUE, 140);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 100) << "positions are clamped to the range";
  SendMessageW(slider, TBM_SETPOS, TRUE, 40);
  EXPECT_TRUE(DialogLog().empty()) << "TBM_SETPOS reports nothing";

  SetFocus(slider);
  PressKey(VK_RIGHT);
  PressKey(VK_NEXT);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 61);
  EXPECT_EQ(Entries("hscroll"),
            (Log{"hscroll 1 41", "hscroll 8 41", "hscroll 3 61", "hscroll 8 61"}));
  PressKey(VK_END);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 100);
  PressKey(VK_HOME);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);
  EXPECT_TRUE(Entries("notify").empty()) << "keys release no capture";
}

TEST_F(ControlsTest, TrackbarDragReportsTheReleaseOnly) {
  const HWND slider = Item(kSlider);
  RECT thumb;
  SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  POINT at{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  MapWindowPoints(slider, frame, &at, 1);
  RECT client;
  GetClientRect(slider, &client);
  const int to = 8 + 75 * (client.right - 16) / 100; // where 75 lies along the channel
  ASSERT_TRUE(ZrqUiMouseButton(frame, at.x, at.y, TRUE));
  ASSERT_TRUE(ZrqUiMouseMove(frame, at.x + to - 8, at.y + 40));
  ZrqUiPumpMessages();
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 75)
      << "the capture keeps the drag when the mouse leaves";
  EXPECT_TRUE(Entries("notify").empty());
  ASSERT_TRUE(ZrqUiMouseButton(frame, at.x + to - 8, at.y + 40, FALSE));
  ZrqUiPumpMessages();
  EXPECT_EQ(DialogLog(),
            (Log{"hscroll 5 75", "hscroll 4 75", "hscroll 8 75",
                 "notify 11 " + std::to_string(static_cast<int>(NM_RELEASEDCAPTURE))}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ControlsTest, AVerticalTrackbarRunsDownAndReportsWmVscroll) {
  const HWND slider =
      CreateWindowExW(0, TRACKBAR_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | TBS_VERT, 500, 10, 24,
                      116, frame, reinterpret_cast<HMENU>(40), nullptr, nullptr);
  std::vector<UINT> scrolls;
  SetWindowLongPtrW(frame, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&scrolls));
  const auto old = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(frame, GWLP_WNDPROC));
  SetWindowLongPtrW(
      frame, GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_VSCROLL || m == WM_HSCROLL)
          reinterpret_cast<std::vector<UINT> *>(GetWindowLongPtrW(h, GWLP_USERDATA))->push_back(m);
        return DefWindowProcW(h, m, wp, lp);
      }));
  // 116 pixels tall: 100 between the first and last thumb centres, so y = 8 + position.
  Click(frame, POINT{500 + 12, 10 + 8 + 70});
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 20) << "a press below the thumb pages down";
  RECT thumb;
  SendMessageW(slider, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_EQ((thumb.top + thumb.bottom) / 2, 8 + 20);
  ZrqUiMouseButton(frame, 512, 10 + 8 + 20, TRUE);
  ZrqUiMouseMove(frame, 512, 10 + 8 + 60);
  ZrqUiMouseButton(frame, 512, 10 + 8 + 60, FALSE);
  ZrqUiPumpMessages();
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 60);
  EXPECT_FALSE(scrolls.empty());
  EXPECT_EQ(std::count(scrolls.begin(), scrolls.end(), static_cast<UINT>(WM_HSCROLL)), 0);
  SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
}

TEST_F(ControlsTest, TrackbarWithAnEmptyRangeStillWorks) {
  const HWND slider = Item(kSlider);
  SendMessageW(slider, TBM_SETRANGEMAX, TRUE, 0);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);
  Click(frame, CentreOf(frame, slider));
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(Entries("notify").size(), 1u);
}

TEST_F(ControlsTest, ButtonsReportClicksFromMouseKeysAndBmClick) {
  const HWND back = Item(kBack);
  SendMessageW(back, BM_CLICK, 0, 0);
  Click(frame, CentreOf(frame, back));
  PressKey(VK_SPACE);
  EXPECT_EQ(Entries("command"), (Log{Command(kBack, BN_CLICKED), Command(kBack, BN_CLICKED),
                                     Command(kBack, BN_CLICKED)}));
  // A press that leaves the button before the release is no click.
  DialogLog().clear();
  const POINT centre = CentreOf(frame, back);
  ZrqUiMouseButton(frame, centre.x, centre.y, TRUE);
  ZrqUiMouseMove(frame, centre.x + 200, centre.y);
  ZrqUiMouseButton(frame, centre.x + 200, centre.y, FALSE);
  ZrqUiPumpMessages();
  EXPECT_TRUE(Entries("command").empty());
}

TEST_F(ControlsTest, AChosenRadioButtonClearsTheOthersOfItsGroup) {
  auto radio = [&](int id, DWORD group) {
    return CreateWindowExW(0, WC_BUTTONW, u"r", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | group,
                           300, 20 * id, 60, 16, frame,
                           reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
  };
  const HWND a = radio(1, WS_GROUP), b = radio(2, 0),
             c = radio(3, WS_GROUP); // c starts a group of its own
  SendMessageW(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(c, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(b, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(ControlsTest, DisabledControlsTakeNoMouse) {
  EnableWindow(Item(kBack), FALSE);
  Click(frame, CentreOf(frame, Item(kBack)));
  EXPECT_TRUE(Entries("command").empty());
}

} // namespace
