#include "host/zrq-studio/SdlWindow.h"

#include <string>

Result<std::unique_ptr<SdlWindow>> SdlWindow::Open(const char *title, FrameSize size) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0)
    return Error{std::string("cannot open a window: ") + SDL_GetError()};
  SDL_Window *window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                        size.width, size.height, SDL_WINDOW_SHOWN);
  if (!window) {
    std::string reason = SDL_GetError();
    SDL_Quit();
    return Error{"cannot open a window: " + reason};
  }
  SDL_StartTextInput();
  return std::unique_ptr<SdlWindow>(new SdlWindow(window));
}

SdlWindow::~SdlWindow() {
  SDL_StopTextInput();
  SDL_DestroyWindow(window);
  SDL_Quit();
}

Status SdlWindow::Show(const Frame &picture) {
  SDL_Surface *surface = SDL_GetWindowSurface(window);
  if (!surface) return Status::Fail(std::string("cannot draw the window: ") + SDL_GetError());
  const int width = std::min(surface->w, picture.Width());
  const int height = std::min(surface->h, picture.Height());
  if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
  // The picture is held bottom-up, so it goes a row at a time; B, G, R, A bytes are SDL's
  // ARGB8888 on this little-endian machine.
  for (int y = 0; y < height; ++y)
    SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_ARGB8888, picture.ViewRow(y), int(picture.Stride()),
                      surface->format->format,
                      static_cast<BYTE *>(surface->pixels) + size_t(y) * size_t(surface->pitch),
                      surface->pitch);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (SDL_UpdateWindowSurface(window) != 0)
    return Status::Fail(std::string("cannot draw the window: ") + SDL_GetError());
  return Status::Ok();
}
