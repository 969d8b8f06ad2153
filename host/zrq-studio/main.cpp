// zrq-studio: the effect's property page in a window beside a live preview, with a timeline of
// its key frames.
//   zrq-studio [FILE] [--params project.xml] [--module FILE.so] [--script FILE]
// Exit status 0 when done, 1 when it could not be done, 2 for bad usage.
#include "host/EffectModule.h"
#include "host/common/ToolCommandLine.h"
#include "host/zrq-studio/SdlWindow.h"
#include "host/zrq-studio/Studio.h"
#include "host/zrq-studio/StudioOptions.h"
#include "host/zrq-studio/StudioScript.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr const char *kTool = "zrq-studio";
constexpr FrameSize kWindowSize{1280, 800};
// A frame's time at 60 frames a second: how long the loop waits for an event.
constexpr int kFrameMilliseconds = 16;
// How many idle turns of the loop a script step waits for, so what a step started has settled.
constexpr int kSettledTurns = 2;

double Seconds() {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point start = Clock::now();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int Run(const StudioOptions &options) {
  Result<std::unique_ptr<EffectModule>> module =
      EffectModule::Open(options.module, EffectModule::DefaultPath());
  if (!module.ok()) return ReportFailure(kTool, module.message());
  std::optional<StudioScript> script;
  if (!options.script.empty()) {
    Result<StudioScript> loaded = StudioScript::Load(options.script);
    if (!loaded.ok()) return ReportFailure(kTool, loaded.message());
    script.emplace(std::move(loaded.value()));
  }
  Result<std::unique_ptr<SdlWindow>> window = SdlWindow::Open(kTool, kWindowSize);
  if (!window.ok()) return ReportFailure(kTool, window.message());
  Result<std::unique_ptr<Studio>> made =
      Studio::Create(*module.value(), kWindowSize.width, kWindowSize.height);
  if (!made.ok()) return ReportFailure(kTool, made.message());
  Studio &studio = *made.value();
  // What the command line names opens as the user would open it; a failure is told in the
  // message line and the studio stays on what it had.
  if (!options.file.empty()) studio.OpenClip(options.file);
  if (!options.params.empty()) studio.OpenProject(options.params);

  int settled = 0;
  while (!studio.QuitRequested()) {
    SDL_Event event;
    bool any = SDL_WaitEventTimeout(&event, kFrameMilliseconds) != 0;
    while (any) {
      studio.HandleEvent(event);
      any = SDL_PollEvent(&event) != 0;
    }
    studio.Tick(Seconds());
    if (studio.NeedsRepaint()) {
      if (Status shown = window.value()->Show(studio.Compose()); !shown.ok())
        return ReportFailure(kTool, shown.message());
    }
    if (!script) continue;
    settled = studio.Idle() &&
                      SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 0
                  ? settled + 1
                  : 0;
    if (settled < kSettledTurns) continue;
    settled = 0;
    if (script->Finished()) break;
    if (Status ran = script->RunNext(studio, stdout); !ran.ok())
      return ReportFailure(kTool, ran.message());
  }
  return kExitDone;
}

} // namespace

int main(int argc, char **argv) {
  StudioOptions options;
  if (std::optional<int> status = ParseStudioOptions(argc, argv, &options)) return *status;
  return Run(options);
}
