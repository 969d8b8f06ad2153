// What the window layer offers beyond Win32: the picture of a window, input as a user would
// give it, the help viewer's hook, and dialog template sizes.
//
// Where the layer knowingly differs from Windows:
// - Windows have no non-client area: the client rectangle is the whole window rectangle, and
//   borders (WS_BORDER, WS_EX_CLIENTEDGE) are drawn inside it. Nothing draws a caption.
// - Windows belong to the thread that made them; SendMessageW and PostMessageW to another
//   thread's window fail as for a window that does not exist. Window classes are per process.
// - GetMessageW on an empty queue gives WM_QUIT (exit code 0) instead of waiting, since nothing
//   else can post to it; WM_PAINT is sent by UpdateWindow only, never taken from the queue, and there are no
//   timers (a press beside a trackbar's thumb steps once instead of repeating).
// - There are no fonts: WM_SETFONT is kept but not sent, and every control draws with one
//   bitmap font. Dialog base units come from a table of the faces templates name (8-point
//   MS Sans Serif, MS Shell Dlg, Tahoma: 6 x 13); GetDialogBaseUnits gives the system font's 8 x 16.
// - Combo boxes of every style behave as drop-down lists; edits are single-line, without undo,
//   clipboard or selecting by dragging; a vertical trackbar's thumb is a plain block.
// - Only the predefined controls draw themselves; dialogs and windows of other classes show the
//   face colour.
#pragma once

#include "winuser.h"

// A 32-bit picture in memory, rows top to bottom, each pixel B, G, R, A in that byte order.
typedef struct tagZRQUISURFACE {
  BYTE *bits;
  LONG width;
  LONG height;
  LONG pitch; // bytes from one row to the next
} ZRQUISURFACE;

// Paints hwnd (shown or not) and its visible children into the surface, the window's top-left
// corner at the surface's (0, 0), with open combo lists on top; what lies outside the surface
// is clipped. The predefined controls draw themselves; dialogs and windows of other classes
// show the plain face colour. E_INVALIDARG for a window that does not exist, E_POINTER for a
// null, bitless or too narrowly pitched surface.
STDAPI ZrqUiRenderWindow(HWND hwnd, const ZRQUISURFACE *surface);

// Input as a user gives it. Each call queues what a real device would make; the message is
// routed when it is taken from the thread's queue (GetMessageW / PeekMessageW), after everything
// queued before it has been handled: a mouse message to the capture window or else the window
// under the point, a key or character message to the focus window, and dropped when there is
// none. Taking it also updates what GetKeyState reports. x and y are relative to the top-left
// corner of the window rectangle of `root`, the window the pointer is over. FALSE only for a
// root that is not a window, a key above 255 or no memory.
WINUSERAPI BOOL ZrqUiMouseMove(HWND root, int x, int y);
WINUSERAPI BOOL ZrqUiMouseButton(HWND root, int x, int y, BOOL down);
WINUSERAPI BOOL ZrqUiKey(UINT vk, BOOL down);
// WM_CHAR (WM_SYSCHAR while VK_MENU is down) for one character, for text that has no key of
// its own: keys pressed with ZrqUiKey make their characters through TranslateMessage already.
WINUSERAPI BOOL ZrqUiChar(WCHAR ch);
// Dispatches every queued message of this thread, offering each to IsDialogMessageW of the
// outermost dialog holding its window first, as a modeless dialog's message loop does. Returns
// how many ran.
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
