// Fills the page's effect list with the effects' display names, in identifier order.
#pragma once

#include <windows.h>
#include <winuser.h>

// Appends the strings from id 2001 upward to the combo box `list`, up to the first id without
// a string (2029 at most), and stops early when the combo box runs out of room.
void FillEffectList(HINSTANCE module, HWND list);
