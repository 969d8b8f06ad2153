// Reads any bytes as a dialog template, as a host may hand one to CreateDialogIndirectParamW,
// and checks what the window layer promises: a template that does not read within its size is
// refused, and one that does makes a dialog (or fails cleanly) whose picture draws.
#include "fuzz/FuzzCheck.h"

#include <commctrl.h>
#include <winerror.h>
#include <zrqui.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "dialog_template", what); }

INT_PTR CALLBACK Ignore(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 1 << 16) return 0;
  // Templates are read in place, word-aligned, as resources are.
  std::vector<DWORD> aligned((size + 3) / 4 + 1, 0);
  std::memcpy(aligned.data(), data, size);
  const auto *dialogTemplate = reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data());
  SIZE pixels{};
  const HRESULT hr = ZrqUiGetDialogTemplateSize(dialogTemplate, static_cast<DWORD>(size), &pixels);
  Check(hr == S_OK || hr == E_INVALIDARG, "a template neither read nor was refused");
  if (hr != S_OK) return 0;

  HWND parent = CreateWindowExW(0, WC_STATICW, nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 200, 200,
                                nullptr, nullptr, nullptr, nullptr);
  Check(parent != nullptr, "no parent window");
  HWND dialog = CreateDialogIndirectParamW(nullptr, dialogTemplate, parent, Ignore, 0);
  if (dialog) {
    std::vector<BYTE> bits(64 * 64 * 4);
    const ZRQUISURFACE surface{bits.data(), 64, 64, 64 * 4};
    Check(ZrqUiRenderWindow(dialog, &surface) == S_OK, "a dialog that exists did not draw");
    Check(ZrqUiPumpMessages() >= 0, "the queue did not run");
  }
  DestroyWindow(parent);
  if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  return 0;
}
