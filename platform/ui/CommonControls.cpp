// The common controls are registered with the library itself; initialising them only checks
// the caller's structure.
#include <commctrl.h>

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX *picce) {
  return picce && picce->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

void InitCommonControls(void) {}
