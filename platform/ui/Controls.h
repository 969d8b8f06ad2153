// The predefined controls' window procedures, and what they share.
#pragma once

#include <winuser.h>

#include <string>

namespace zrq::ui {

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TrackbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// WM_COMMAND to the control's parent with the control's id and the notification code.
void NotifyParent(HWND control, WORD code);

// The character a "&" marks in a control's text, upper-cased; 0 when there is none ("&&" is a
// plain ampersand).
char16_t Mnemonic(const std::u16string &text);

} // namespace zrq::ui
