#include "host/zrq-studio/InputTranslator.h"

#include <zrqui.h>

namespace {

// The character the layer's TranslateMessage gives a key, on the US layout it assumes.
std::optional<WCHAR> LayerCharacter(UINT vk, bool shift) {
  if (vk >= 'A' && vk <= 'Z') return WCHAR(shift ? vk : vk + 32);
  if (vk >= '0' && vk <= '9' && !shift) return WCHAR(vk);
  if (vk == VK_SPACE) return WCHAR(u' ');
  return std::nullopt;
}

// The UTF-16 units of SDL's UTF-8 text; a broken sequence ends it.
std::vector<WCHAR> Utf16Of(const char *text) {
  std::vector<WCHAR> units;
  const auto *p = reinterpret_cast<const unsigned char *>(text);
  while (*p) {
    char32_t c = *p;
    int extra = c < 0x80             ? 0
                : (c & 0xE0) == 0xC0 ? 1
                : (c & 0xF0) == 0xE0 ? 2
                : (c & 0xF8) == 0xF0 ? 3
                                     : -1;
    if (extra < 0) break;
    if (extra > 0) c &= 0x3Fu >> extra;
    ++p;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) return units;
      c = (c << 6) | (*p & 0x3Fu);
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      units.push_back(WCHAR(0xD800 + (c >> 10)));
      units.push_back(WCHAR(0xDC00 + (c & 0x3FF)));
    } else {
      units.push_back(WCHAR(c));
    }
  }
  return units;
}

} // namespace

UINT VirtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return UINT('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return UINT('0' + (key - SDLK_0));
  switch (key) {
  case SDLK_BACKSPACE:
    return VK_BACK;
  case SDLK_TAB:
    return VK_TAB;
  case SDLK_RETURN:
  case SDLK_KP_ENTER:
    return VK_RETURN;
  case SDLK_ESCAPE:
    return VK_ESCAPE;
  case SDLK_SPACE:
    return VK_SPACE;
  case SDLK_PAGEUP:
    return VK_PRIOR;
  case SDLK_PAGEDOWN:
    return VK_NEXT;
  case SDLK_END:
    return VK_END;
  case SDLK_HOME:
    return VK_HOME;
  case SDLK_LEFT:
    return VK_LEFT;
  case SDLK_UP:
    return VK_UP;
  case SDLK_RIGHT:
    return VK_RIGHT;
  case SDLK_DOWN:
    return VK_DOWN;
  case SDLK_INSERT:
    return VK_INSERT;
  case SDLK_DELETE:
    return VK_DELETE;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT:
    return VK_SHIFT;
  case SDLK_LCTRL:
  case SDLK_RCTRL:
    return VK_CONTROL;
  case SDLK_LALT:
  case SDLK_RALT:
    return VK_MENU;
  case SDLK_F1:
    return VK_F1;
  default:
    return 0;
  }
}

std::vector<UiInput> InputTranslator::Translate(const SDL_Event &event) {
  switch (event.type) {
  case SDL_MOUSEMOTION:
    return {UiInput{UiInput::Kind::MouseMove, event.motion.x, event.motion.y}};
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP:
    if (event.button.button != SDL_BUTTON_LEFT) return {};
    return {UiInput{UiInput::Kind::MouseButton, event.button.x, event.button.y,
                    event.type == SDL_MOUSEBUTTONDOWN}};
  case SDL_KEYDOWN:
  case SDL_KEYUP: {
    const UINT vk = VirtualKeyOf(event.key.keysym.sym);
    if (!vk) return {};
    const bool down = event.type == SDL_KEYDOWN;
    if (down) characterFromKey = LayerCharacter(vk, (event.key.keysym.mod & KMOD_SHIFT) != 0);
    UiInput key{UiInput::Kind::Key};
    key.vk = vk;
    key.down = down;
    return {key};
  }
  case SDL_TEXTINPUT: {
    std::vector<UiInput> inputs;
    for (WCHAR ch : Utf16Of(event.text.text)) {
      if (characterFromKey && *characterFromKey == ch) {
        characterFromKey.reset();
        continue;
      }
      characterFromKey.reset();
      UiInput typed{UiInput::Kind::Char};
      typed.ch = ch;
      inputs.push_back(typed);
    }
    return inputs;
  }
  default:
    return {};
  }
}

bool SendToWindowLayer(HWND root, const std::vector<UiInput> &inputs) {
  bool all = true;
  for (const UiInput &input : inputs) {
    BOOL sent = FALSE;
    switch (input.kind) {
    case UiInput::Kind::MouseMove:
      sent = ZrqUiMouseMove(root, input.x, input.y);
      break;
    case UiInput::Kind::MouseButton:
      sent = ZrqUiMouseButton(root, input.x, input.y, input.down);
      break;
    case UiInput::Kind::Key:
      sent = ZrqUiKey(input.vk, input.down);
      break;
    case UiInput::Kind::Char:
      sent = ZrqUiChar(input.ch);
      break;
    }
    all = all && sent;
  }
  return all;
}
