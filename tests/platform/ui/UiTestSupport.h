// What the window layer's tests share: a frame window standing in for a host, the sample
// dialog with a procedure that logs what it is told, and the log itself.
#pragma once

#include <commctrl.h>
#include <gtest/gtest.h>
#include <zrqui.h>

#include <string>
#include <vector>

namespace uitest {

constexpr int kSampleDialog = 200;
enum SampleControl {
  kCombo = 10,
  kSlider = 11,
  kField = 12,
  kBack = 13,
  kAdd = 14,
  kRemove = 15,
  kTimeSlider = 16,
  kTimeField = 17
};

// One notification the dialog procedure saw: "command 12 768", "notify 11 -16", "hscroll 8 40"
// (WM_HSCROLL with its code and position).
using Log = std::vector<std::string>;
Log &DialogLog();
// Log entries for one kind of message only ("command", "notify", "hscroll").
Log Entries(const std::string &kind);

// A top-level frame of a host's own class, shown, 600 x 400 at (100, 50).
HWND CreateFrame();
// The sample dialog as a child of parent, at (0, 0), shown; its procedure logs WM_COMMAND,
// WM_NOTIFY and WM_HSCROLL, and answers the Add button with 1234 in DWLP_MSGRESULT.
HWND CreateSampleDialog(HWND parent);

// Presses (or releases) and pumps the queue, as a user acting on the frame would.
void Click(HWND root, POINT at);
void PressKey(UINT vk);
void TypeText(const std::u16string &text);
// The centre of a control, relative to root's window rectangle.
POINT CentreOf(HWND root, HWND control);

std::u16string TextOf(HWND hwnd);

// Destroys every window a test made, so the next starts clean.
class WindowsTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  HWND frame = nullptr;
};

} // namespace uitest
