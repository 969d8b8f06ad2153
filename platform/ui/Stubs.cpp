// Link stubs: every entry fails until its behaviour lands.
#include <commctrl.h>
#include <winerror.h>
#include <zrqui.h>

ATOM RegisterClassExW(const WNDCLASSEXW *) { return 0; }
BOOL UnregisterClassW(LPCWSTR, HINSTANCE) { return 0; }
BOOL GetClassInfoExW(HINSTANCE, LPCWSTR, LPWNDCLASSEXW) { return 0; }
HWND CreateWindowExW(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID) { return 0; }
LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }
LRESULT CallWindowProcW(WNDPROC, HWND, UINT, WPARAM, LPARAM) { return 0; }
BOOL DestroyWindow(HWND) { return 0; }
BOOL IsWindow(HWND) { return 0; }
BOOL IsChild(HWND, HWND) { return 0; }
BOOL IsWindowVisible(HWND) { return 0; }
BOOL IsWindowEnabled(HWND) { return 0; }
BOOL EnableWindow(HWND, BOOL) { return 0; }
HWND GetParent(HWND) { return 0; }
HWND GetWindow(HWND, UINT) { return 0; }
BOOL EnumChildWindows(HWND, WNDENUMPROC, LPARAM) { return 0; }
int GetClassNameW(HWND, LPWSTR, int) { return 0; }
int GetWindowTextW(HWND, LPWSTR, int) { return 0; }
int GetWindowTextLengthW(HWND) { return 0; }
BOOL SetWindowTextW(HWND, LPCWSTR) { return 0; }
BOOL ShowWindow(HWND, int) { return 0; }
BOOL MoveWindow(HWND, int, int, int, int, BOOL) { return 0; }
BOOL SetWindowPos(HWND, HWND, int, int, int, int, UINT) { return 0; }
BOOL GetWindowRect(HWND, LPRECT) { return 0; }
BOOL GetClientRect(HWND, LPRECT) { return 0; }
BOOL ClientToScreen(HWND, LPPOINT) { return 0; }
BOOL ScreenToClient(HWND, LPPOINT) { return 0; }
int MapWindowPoints(HWND, HWND, LPPOINT, UINT) { return 0; }
BOOL InvalidateRect(HWND, const RECT *, BOOL) { return 0; }
BOOL UpdateWindow(HWND) { return 0; }
LONG_PTR GetWindowLongPtrW(HWND, int) { return 0; }
LONG_PTR SetWindowLongPtrW(HWND, int, LONG_PTR) { return 0; }
LONG GetWindowLongW(HWND, int) { return 0; }
LONG SetWindowLongW(HWND, int, LONG) { return 0; }
LRESULT SendMessageW(HWND, UINT, WPARAM, LPARAM) { return 0; }
BOOL PostMessageW(HWND, UINT, WPARAM, LPARAM) { return 0; }
void PostQuitMessage(int) {}
BOOL GetMessageW(LPMSG, HWND, UINT, UINT) { return 0; }
BOOL PeekMessageW(LPMSG, HWND, UINT, UINT, UINT) { return 0; }
BOOL TranslateMessage(const MSG *) { return 0; }
LRESULT DispatchMessageW(const MSG *) { return 0; }
HWND SetFocus(HWND) { return 0; }
HWND GetFocus(void) { return 0; }
HWND SetCapture(HWND) { return 0; }
BOOL ReleaseCapture(void) { return 0; }
HWND GetCapture(void) { return 0; }
SHORT GetKeyState(int) { return 0; }
HWND CreateDialogParamW(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM) { return 0; }
HWND CreateDialogIndirectParamW(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM) { return 0; }
LRESULT DefDlgProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }
BOOL EndDialog(HWND, INT_PTR) { return 0; }
BOOL IsDialogMessageW(HWND, LPMSG) { return 0; }
HWND GetDlgItem(HWND, int) { return 0; }
int GetDlgCtrlID(HWND) { return 0; }
UINT GetDlgItemTextW(HWND, int, LPWSTR, int) { return 0; }
BOOL SetDlgItemTextW(HWND, int, LPCWSTR) { return 0; }
UINT GetDlgItemInt(HWND, int, BOOL *, BOOL) { return 0; }
BOOL SetDlgItemInt(HWND, int, UINT, BOOL) { return 0; }
LRESULT SendDlgItemMessageW(HWND, int, UINT, WPARAM, LPARAM) { return 0; }
HWND GetNextDlgTabItem(HWND, HWND, BOOL) { return 0; }
HWND GetNextDlgGroupItem(HWND, HWND, BOOL) { return 0; }
BOOL MapDialogRect(HWND, LPRECT) { return 0; }
LONG GetDialogBaseUnits(void) { return 0; }
BOOL WinHelpW(HWND, LPCWSTR, UINT, ULONG_PTR) { return 0; }
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *) { return 0; }
void InitCommonControls(void) {}
HRESULT ZrqUiRenderWindow(HWND, const ZRQUISURFACE *) { return E_NOTIMPL; }
BOOL ZrqUiMouseMove(HWND, int, int) { return 0; }
BOOL ZrqUiMouseButton(HWND, int, int, BOOL) { return 0; }
BOOL ZrqUiKey(UINT, BOOL) { return 0; }
BOOL ZrqUiChar(WCHAR) { return 0; }
int ZrqUiPumpMessages(void) { return 0; }
void ZrqUiSetHelpHandler(ZRQHELPHANDLER, void *) {}
BOOL ZrqUiGetLastHelpRequest(ZRQHELPREQUEST *) { return 0; }
void ZrqUiClearHelpRequest(void) {}
HRESULT ZrqUiGetDialogTemplateSize(LPCDLGTEMPLATEW, DWORD, SIZE *) { return E_NOTIMPL; }
