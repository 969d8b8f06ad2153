// What the window layer offers beyond Win32: the picture of a window, input as a user would
// give it, the help viewer's hook, and dialog template sizes.
#pragma once

#include "winuser.h"

// A 32-bit picture in memory, rows top to bottom, each pixel B, G, R, A in that byte order.
typedef struct tagZRQUISURFACE {
  BYTE *bits;
  LONG width;
  LONG height;
  LONG pitch;  // bytes from one row to the next
} ZRQUISURFACE;

// Paints hwnd (shown or not) and its visible children into the surface, the window's top-left
// corner at the surface's (0, 0), with open combo lists on top; what lies outside the surface
// is clipped. The predefined controls draw themselves; dialogs and windows of other classes
// show the plain face colour. E_INVALIDARG for a window that does not exist, E_POINTER for a
// null, bitless or too narrowly pitched surface.
STDAPI ZrqUiRenderWindow(HWND hwnd, const ZRQUISURFACE *surface);

// Input as a user gives it: each call posts the messages a real device would make to this
// thread's queue (a mouse message to the window under the point or to the capture window, a
// key message to the focus window), so they arrive through GetMessageW / PeekMessageW and
// IsDialogMessageW like any other. x and y are relative to the top-left corner of the top-level
// window `root`'s window rectangle. Keys update what GetKeyState reports. FALSE when root is
// not a window or no window takes the input.
WINUSERAPI BOOL ZrqUiMouseMove(HWND root, int x, int y);
WINUSERAPI BOOL ZrqUiMouseButton(HWND root, int x, int y, BOOL down);
WINUSERAPI BOOL ZrqUiKey(UINT vk, BOOL down);
// Posts WM_CHAR (WM_SYSCHAR while VK_MENU is down) for one character to the focus window.
WINUSERAPI BOOL ZrqUiChar(WCHAR ch);
// Dispatches every queued message of this thread, offering each to IsDialogMessageW of its
// top-level dialog first, as a modeless dialog's message loop does. Returns how many ran.
WINUSERAPI int ZrqUiPumpMessages(void);

// The help viewer. The last request is kept per process; a handler, when installed, receives
// each request as well (null removes it) and its answer is WinHelpW's.
typedef struct tagZRQHELPREQUEST {
  HWND hwnd;
  WCHAR file[260];
  UINT command;
  ULONG_PTR data;
} ZRQHELPREQUEST;
typedef BOOL(CALLBACK *ZRQHELPHANDLER)(const ZRQHELPREQUEST *request, void *context);
WINUSERAPI void ZrqUiSetHelpHandler(ZRQHELPHANDLER handler, void *context);
// FALSE when no request has been made since the process started or the record was cleared.
WINUSERAPI BOOL ZrqUiGetLastHelpRequest(ZRQHELPREQUEST *request);
WINUSERAPI void ZrqUiClearHelpRequest(void);

// The size of a dialog template (classic or extended) in pixels, converted from dialog units
// with the base units of the template's font. E_INVALIDARG for a damaged template; size bytes
// bound every read.
STDAPI ZrqUiGetDialogTemplateSize(LPCDLGTEMPLATEW dialogTemplate, DWORD size, SIZE *pixels);
