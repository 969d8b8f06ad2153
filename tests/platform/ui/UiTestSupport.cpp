#include "tests/platform/ui/UiTestSupport.h"

#include <gtest/gtest.h>
#include <zrqresource.h>

namespace uitest {
namespace {

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return TRUE;
  case WM_COMMAND:
    DialogLog().push_back("command " + std::to_string(LOWORD(wParam)) + " " +
                          std::to_string(HIWORD(wParam)));
    if (LOWORD(wParam) == kAdd && HIWORD(wParam) == BN_CLICKED) {
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1234);
      return TRUE;
    }
    return FALSE;
  case WM_NOTIFY: {
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    DialogLog().push_back("notify " + std::to_string(header->idFrom) + " " +
                          std::to_string(static_cast<int>(header->code)));
    return FALSE;
  }
  case WM_NCDESTROY:
    DialogLog().push_back("ncdestroy");
    return FALSE;
  case WM_HSCROLL:
    DialogLog().push_back("hscroll " + std::to_string(LOWORD(wParam)) + " " +
                          std::to_string(HIWORD(wParam)));
    return FALSE;
  default:
    return FALSE;
  }
}

} // namespace

Log &DialogLog() {
  static Log log;
  return log;
}

Log Entries(const std::string &kind) {
  Log out;
  for (const std::string &e : DialogLog())
    if (e.rfind(kind + " ", 0) == 0) out.push_back(e);
  return out;
}

HWND CreateFrame() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = ZrqThisModule();
    wc.lpszClassName = u"ZrqTestFrame";
    return RegisterClassExW(&wc);
  }();
  EXPECT_NE(atom, 0);
  return CreateWindowExW(0, u"ZrqTestFrame", u"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 50,
                         600, 400, nullptr, nullptr, ZrqThisModule(), nullptr);
}

HWND CreateSampleDialog(HWND parent) {
  HWND dialog =
      CreateDialogParamW(ZrqThisModule(), MAKEINTRESOURCEW(kSampleDialog), parent, SampleProc, 0);
  EXPECT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  DialogLog().clear();
  return dialog;
}

void Click(HWND root, POINT at) {
  ASSERT_TRUE(ZrqUiMouseButton(root, at.x, at.y, TRUE));
  ZrqUiPumpMessages();
  ASSERT_TRUE(ZrqUiMouseButton(root, at.x, at.y, FALSE));
  ZrqUiPumpMessages();
}

void PressKey(UINT vk) {
  ZrqUiKey(vk, TRUE);
  ZrqUiPumpMessages();
  ZrqUiKey(vk, FALSE);
  ZrqUiPumpMessages();
}

void TypeText(const std::u16string &text) {
  for (char16_t c : text) ZrqUiChar(c);
  ZrqUiPumpMessages();
}

POINT CentreOf(HWND root, HWND control) {
  RECT r, base;
  GetWindowRect(control, &r);
  GetWindowRect(root, &base);
  return POINT{(r.left + r.right) / 2 - base.left, (r.top + r.bottom) / 2 - base.top};
}

std::u16string TextOf(HWND hwnd) {
  WCHAR buffer[256];
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

void WindowsTest::SetUp() {
  DialogLog().clear();
  frame = CreateFrame();
  ASSERT_NE(frame, nullptr);
}

void WindowsTest::TearDown() {
  if (IsWindow(frame)) DestroyWindow(frame);
  ZrqUiPumpMessages();
  for (UINT vk : {VK_SHIFT, VK_MENU, VK_CONTROL, VK_LBUTTON}) ZrqUiKey(vk, FALSE);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

} // namespace uitest
