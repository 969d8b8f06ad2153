// A dialog's controls by id.
#include <winerror.h>

#include <string>

#include "platform/ui/CatchAllocation.h"
#include "platform/ui/ThreadState.h"

using zrq::ui::FindWindow;
using zrq::ui::Window;

HWND GetDlgItem(HWND hDlg, int nIDDlgItem) {
  Window *dialog = FindWindow(hDlg);
  if (!dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  for (HWND child : dialog->children)
    if (Window *c = FindWindow(child); c && static_cast<int>(c->id) == nIDDlgItem) return child;
  return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
  Window *w = FindWindow(hWnd);
  return w && (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

LRESULT SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SendMessageW(item, Msg, wParam, lParam) : 0;
}

UINT GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int cchMax) {
  if (lpString && cchMax > 0) lpString[0] = 0;
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? static_cast<UINT>(GetWindowTextW(item, lpString, cchMax)) : 0;
}

BOOL SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString) {
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  return item ? SetWindowTextW(item, lpString) : FALSE;
}

UINT GetDlgItemInt(HWND hDlg, int nIDDlgItem, BOOL *lpTranslated, BOOL bSigned) {
  if (lpTranslated) *lpTranslated = FALSE;
  WCHAR text[64];
  HWND item = GetDlgItem(hDlg, nIDDlgItem);
  if (!item) return 0;
  GetWindowTextW(item, text, 64);
  const WCHAR *p = text;
  while (*p == u' ' || *p == u'\t') ++p;
  bool negative = false;
  if (bSigned && (*p == u'-' || *p == u'+')) negative = *p++ == u'-';
  if (*p < u'0' || *p > u'9') return 0;
  unsigned long long value = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    value = value * 10 + static_cast<unsigned>(*p - u'0');
    if (value > 0xFFFFFFFFull) return 0;
  }
  while (*p == u' ' || *p == u'\t') ++p;
  if (*p) return 0;
  if (bSigned && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
  if (lpTranslated) *lpTranslated = TRUE;
  return negative ? static_cast<UINT>(0u - static_cast<UINT>(value)) : static_cast<UINT>(value);
}

static BOOL SetDlgItemIntUnguarded(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
  const std::string digits =
      bSigned ? std::to_string(static_cast<INT>(uValue)) : std::to_string(uValue);
  const std::u16string text(digits.begin(), digits.end());
  return SetDlgItemTextW(hDlg, nIDDlgItem, text.c_str());
}

BOOL SetDlgItemInt(HWND hDlg, int nIDDlgItem, UINT uValue, BOOL bSigned) {
  return zrq::ui::CatchAllocation<BOOL>(
      FALSE, [&] { return SetDlgItemIntUnguarded(hDlg, nIDDlgItem, uValue, bSigned); });
}
