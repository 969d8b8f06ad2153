// The studio's window on screen, through SDL: made at a size, shown the pictures the studio
// composes, with text input on so typing reaches the page's fields.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <SDL.h>

#include <memory>

class SdlWindow {
public:
  [[nodiscard]] static Result<std::unique_ptr<SdlWindow>> Open(const char *title, FrameSize size);
  ~SdlWindow();
  SdlWindow(const SdlWindow &) = delete;
  SdlWindow &operator=(const SdlWindow &) = delete;

  // Copies the picture (of the window's size) to the screen.
  Status Show(const Frame &picture);

private:
  explicit SdlWindow(SDL_Window *window) : window(window) {}

  SDL_Window *window;
};
