// The help viewer: WinHelpW records the request and hands it to the host's handler, if any.
#include <winerror.h>
#include <zrqui.h>

#include <cstring>
#include <mutex>

namespace {

struct HelpDesk {
  std::mutex lock; // guards everything below
  bool hasRequest = false;
  ZRQHELPREQUEST last{};
  ZRQHELPHANDLER handler = nullptr;
  void *context = nullptr;
};

HelpDesk &Desk() {
  static HelpDesk desk;
  return desk;
}

} // namespace

BOOL WinHelpW(HWND hWndMain, LPCWSTR lpszHelp, UINT uCommand, ULONG_PTR dwData) {
  ZRQHELPREQUEST request{};
  request.hwnd = hWndMain;
  request.command = uCommand;
  request.data = dwData;
  size_t length = 0;
  if (lpszHelp) {
    while (lpszHelp[length]) {
      if (++length >= sizeof request.file / sizeof request.file[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
    }
    std::memcpy(request.file, lpszHelp, length * sizeof(WCHAR));
  }
  HelpDesk &desk = Desk();
  ZRQHELPHANDLER handler;
  void *context;
  {
    std::lock_guard<std::mutex> hold(desk.lock);
    desk.last = request;
    desk.hasRequest = true;
    handler = desk.handler;
    context = desk.context;
  }
  // Called without the lock, so a handler may ask for help itself.
  return handler ? handler(&request, context) : TRUE;
}

void ZrqUiSetHelpHandler(ZRQHELPHANDLER handler, void *context) {
  HelpDesk &desk = Desk();
  std::lock_guard<std::mutex> hold(desk.lock);
  desk.handler = handler;
  desk.context = context;
}

BOOL ZrqUiGetLastHelpRequest(ZRQHELPREQUEST *request) {
  HelpDesk &desk = Desk();
  std::lock_guard<std::mutex> hold(desk.lock);
  if (!request || !desk.hasRequest) return FALSE;
  *request = desk.last;
  return TRUE;
}

void ZrqUiClearHelpRequest(void) {
  HelpDesk &desk = Desk();
  std::lock_guard<std::mutex> hold(desk.lock);
  desk.hasRequest = false;
  desk.last = ZRQHELPREQUEST{};
}
