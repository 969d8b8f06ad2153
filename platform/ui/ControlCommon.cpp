#include "platform/ui/Controls.h"
#include "platform/ui/Painters.h"
#include "platform/ui/ThreadState.h"

namespace zrq::ui {

void NotifyParent(HWND control, WORD code) {
  Window *w = FindWindow(control);
  if (!w || !w->parent) return;
  SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
               reinterpret_cast<LPARAM>(control));
}

char16_t Mnemonic(const std::u16string &text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] == u'&') {
      ++i;
      continue;
    }
    const char16_t c = text[i + 1];
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  }
  return 0;
}

bool HasFocus(const Window &w) { return ThreadState::Current().focus == w.handle; }

} // namespace zrq::ui
