#include <winerror.h>
#include <zrqresource.h>

#include <algorithm>
#include <thread>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using uitest::WindowsTest;

// Every message a window of the "Recorder" class receives, as "name:hwnd-index".
std::vector<std::pair<UINT, HWND>> &Received() {
  static std::vector<std::pair<UINT, HWND>> received;
  return received;
}

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Received().emplace_back(message, hwnd);
  if (message == WM_STYLECHANGING && wParam == static_cast<WPARAM>(GWL_EXSTYLE))
    reinterpret_cast<STYLESTRUCT *>(lParam)->styleNew |= WS_EX_CONTROLPARENT;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Recorder(HWND parent, int id, DWORD style = WS_CHILD | WS_VISIBLE) {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecorderProc;
    wc.cbWndExtra = 16;
    wc.hInstance = ZrqThisModule();
    wc.lpszClassName = u"Recorder";
    return RegisterClassExW(&wc);
  }();
  EXPECT_NE(atom, 0);
  return CreateWindowExW(0, u"recorder", u"r", style, 10 * id, 5, 30, 20, parent,
                         reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), ZrqThisModule(),
                         nullptr);
}

std::vector<UINT> MessagesOf(HWND hwnd, std::initializer_list<UINT> kinds) {
  std::vector<UINT> out;
  for (const auto &[message, target] : Received())
    if (target == hwnd && std::find(kinds.begin(), kinds.end(), message) != kinds.end())
      out.push_back(message);
  return out;
}

TEST_F(WindowsTest, ChildrenKeepCreationOrderAndTheirIds) {
  HWND a = Recorder(frame, 1), b = Recorder(frame, 2), c = Recorder(frame, 3);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), c);
  EXPECT_EQ(GetWindow(c, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(c, GW_HWNDPREV), b);
  EXPECT_EQ(GetParent(b), frame);
  EXPECT_EQ(GetDlgItem(frame, 2), b);
  EXPECT_EQ(GetDlgCtrlID(c), 3);
  EXPECT_TRUE(IsChild(frame, c));
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), c);

  std::vector<HWND> seen;
  EnumChildWindows(
      frame,
      [](HWND h, LPARAM p) { return reinterpret_cast<std::vector<HWND> *>(p)->push_back(h), TRUE; },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{c, a, b}));
}

TEST_F(WindowsTest, CreationAndDestructionSendTheirMessagesInOrder) {
  Received().clear();
  HWND parent = Recorder(frame, 1);
  EXPECT_EQ(MessagesOf(parent, {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}),
            (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE}));
  HWND child = Recorder(parent, 2);
  Received().clear();
  ASSERT_TRUE(DestroyWindow(parent));
  // WM_DESTROY goes down the tree, WM_NCDESTROY comes back up it.
  std::vector<std::pair<UINT, HWND>> order;
  for (const auto &e : Received())
    if (e.first == WM_DESTROY || e.first == WM_NCDESTROY) order.push_back(e);
  EXPECT_EQ(order, (std::vector<std::pair<UINT, HWND>>{{WM_DESTROY, parent},
                                                       {WM_DESTROY, child},
                                                       {WM_NCDESTROY, child},
                                                       {WM_NCDESTROY, parent}}));
  EXPECT_FALSE(IsWindow(parent));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
  EXPECT_EQ(SendMessageW(child, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(WindowsTest, CreationFailsForUnknownClassesAndChildrenWithoutParents) {
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", nullptr, WS_CHILD, 0, 0, 1, 1, frame, nullptr,
                            nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_EQ(CreateWindowExW(0, WC_BUTTONW, nullptr, WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  WNDCLASSEXW again{};
  again.cbSize = sizeof again;
  again.lpfnWndProc = DefWindowProcW;
  again.hInstance = ZrqThisModule();
  again.lpszClassName = u"ZRQTESTFRAME";
  EXPECT_EQ(RegisterClassExW(&again), 0) << "class names ignore case";
}

TEST_F(WindowsTest, StyleChangesGoThroughStyleChanging) {
  HWND w = Recorder(frame, 1);
  Received().clear();
  EXPECT_EQ(SetWindowLongPtrW(w, GWL_EXSTYLE, WS_EX_CLIENTEDGE), 0);
  EXPECT_EQ(GetWindowLongPtrW(w, GWL_EXSTYLE), WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT)
      << "the receiver's styleNew is applied";
  EXPECT_EQ(MessagesOf(w, {WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<UINT>{WM_STYLECHANGING, WM_STYLECHANGED}));
  SetWindowLongPtrW(w, GWL_STYLE, WS_CHILD);
  EXPECT_FALSE(IsWindowVisible(w));
}

TEST_F(WindowsTest, ExtraBytesAndUserDataAreBounded) {
  HWND w = Recorder(frame, 1);
  EXPECT_EQ(SetWindowLongPtrW(w, 8, 77), 0);
  EXPECT_EQ(GetWindowLongPtrW(w, 8), 77);
  EXPECT_EQ(GetWindowLongPtrW(w, 9), 0) << "8 bytes from 9 run past the 16 the class gave";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(SetWindowLongPtrW(w, -100, 1), 0);
  SetWindowLongPtrW(w, GWLP_USERDATA, 5);
  EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), 5);
}

TEST_F(WindowsTest, TextGoesThroughMessagesAndIsTruncatedToTheBuffer) {
  HWND w = Recorder(frame, 1);
  ASSERT_TRUE(SetWindowTextW(w, u"Hello"));
  WCHAR small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetWindowTextW(w, small, 3), 2);
  EXPECT_EQ(std::u16string(small), u"He");
  EXPECT_EQ(small[3], u'x');
  EXPECT_EQ(GetWindowTextLengthW(w), 5);
}

TEST_F(WindowsTest, RectanglesAreInScreenAndClientCoordinates) {
  HWND w = Recorder(frame, 2); // at (20, 5), 30 x 20 in the frame
  RECT r;
  ASSERT_TRUE(GetWindowRect(w, &r));
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 55);
  EXPECT_EQ(r.right, 150);
  ASSERT_TRUE(GetClientRect(w, &r));
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 20);
  MoveWindow(w, 1, 2, 3, 4, TRUE);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 101);
  EXPECT_EQ(r.bottom, 56);
}

TEST_F(WindowsTest, EnablingAndHidingTakeTheFocusAway) {
  HWND w = Recorder(frame, 1);
  SetFocus(w);
  EXPECT_EQ(GetFocus(), w);
  EXPECT_FALSE(EnableWindow(w, FALSE)) << "was enabled";
  EXPECT_FALSE(IsWindowEnabled(w));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_TRUE(EnableWindow(w, TRUE)) << "was disabled";
  SetFocus(w);
  EXPECT_TRUE(ShowWindow(w, SW_HIDE));
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST(MessageQueue, PostedMessagesComeInOrderAndQuitComesLast) {
  HWND frame = uitest::CreateFrame();
  MSG msg;
  PostQuitMessage(3);
  PostMessageW(frame, WM_USER + 1, 1, 0);
  PostMessageW(nullptr, WM_USER + 2, 2, 0);
  PostMessageW(frame, WM_USER + 3, 3, 0);
  ASSERT_TRUE(PeekMessageW(&msg, frame, WM_USER + 3, WM_USER + 3, PM_REMOVE))
      << "the filter picks from the middle";
  EXPECT_EQ(msg.wParam, 3u);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_EQ(GetMessageW(&msg, nullptr, 0, 0), FALSE)
      << "an empty queue cannot be waited on: the loop ends";
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
  DestroyWindow(frame);
}

TEST(MessageQueue, WindowsOfAnotherThreadAreNotFoundHere) {
  HWND frame = uitest::CreateFrame();
  BOOL seen = TRUE;
  std::thread([&] { seen = IsWindow(frame); }).join();
  EXPECT_FALSE(seen);
  DestroyWindow(frame);
}

} // namespace
