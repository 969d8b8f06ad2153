// SDL's mouse, keyboard and text events turned into the window layer's input calls
// (ZrqUiMouseMove, ZrqUiMouseButton, ZrqUiKey, ZrqUiChar), so the page gets the messages it
// would get from a real mouse and keyboard. Text SDL reports for a key the layer already turns
// into a character (letters, digits, space) is dropped, so nothing is typed twice.
#pragma once

#include <SDL.h>
#include <windows.h>

#include <optional>
#include <vector>

struct UiInput {
  enum class Kind { MouseMove, MouseButton, Key, Char };
  Kind kind;
  int x = 0;
  int y = 0;
  bool down = false;
  UINT vk = 0;
  WCHAR ch = 0;
  bool operator==(const UiInput &) const = default;
};

// The virtual key of an SDL key, or 0 for a key the window layer does not know.
UINT VirtualKeyOf(SDL_Keycode key);

class InputTranslator {
public:
  // What the event means to the window layer; nothing for events it has no use for (a mouse
  // button other than the left one, a key without a virtual key). Mouse positions are window
  // pixels, which are the root window's own since it covers the whole window.
  std::vector<UiInput> Translate(const SDL_Event &event);

private:
  // The character the layer makes itself from the last key pressed, which the text event that
  // follows the same key press must not repeat.
  std::optional<WCHAR> characterFromKey;
};

// Hands the inputs to the window layer. False when the layer refused one.
bool SendToWindowLayer(HWND root, const std::vector<UiInput> &inputs);
