// The studio: the effect being edited (the page's), the clip it is previewed on, the preview
// and the timeline, and what the user's commands do to them. It runs on the UI thread; the
// preview renders on the render worker and exports on their own threads, so nothing here
// waits for a render.
#pragma once

#include "host/EffectModule.h"
#include "host/ProjectParameters.h"
#include "host/zrq-studio/ExportJob.h"
#include "host/zrq-studio/InputTranslator.h"
#include "host/zrq-studio/ParameterSnapshot.h"
#include "host/zrq-studio/PreviewLayout.h"
#include "host/zrq-studio/RenderWorker.h"
#include "host/zrq-studio/StudioPanel.h"
#include "host/zrq-studio/TimelineCurve.h"
#include "host/zrq-studio/TimelineGeometry.h"

#include <SDL.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class Studio {
public:
  // A studio of width x height over the test card and a new effect. `module` must outlive it.
  [[nodiscard]] static Result<std::unique_ptr<Studio>> Create(const EffectModule &module, int width,
                                                              int height);
  ~Studio();
  Studio(const Studio &) = delete;
  Studio &operator=(const Studio &) = delete;

  // The commands behind the buttons. Each failure is told in the message line and changes
  // nothing; so does each success.
  bool OpenClip(const std::string &path);
  bool OpenProject(const std::string &path);
  bool SaveProject(const std::string &path);
  bool StartExport(const std::string &path);

  // One SDL event: the studio's own keys, the timeline and the preview, and everything else
  // passed to the window layer.
  void HandleEvent(const SDL_Event &event);
  // Once a frame: the window layer's messages, what the page changed, play, finished renders
  // and the export's progress. `seconds` is a steady clock.
  void Tick(double seconds);
  // Whether the picture changed since the last Compose.
  bool NeedsRepaint() const { return repaint; }
  // The window's picture.
  const Frame &Compose();
  // Nothing is waiting: no render asked for or under way, no export running, no play.
  bool Idle() const;
  bool QuitRequested() const { return quit; }

  double Cursor() const { return cursor; }
  IEffectParameters *Parameters() const { return project->Interface(); }
  StudioPanel &Panel() { return *panel; }
  const std::string &ClipPath() const { return clipPath; }

private:
  Studio(const EffectModule &module, ProjectParameters project, FrameSize windowSize);
  void OnCommand(StudioCommand command);
  void Say(const std::string &text);
  bool HandleStudioKey(const SDL_KeyboardEvent &key);
  void MoveCursor(double time);
  void ReplaceProject(ProjectParameters replacement, const std::string &said);
  void ReadParameters();
  void RequestRender();
  void Apply();
  void Cancel();
  void Help();
  void TogglePlay();

  const EffectModule &module;
  std::optional<ProjectParameters> project;
  std::optional<ProjectParameters> applied; // the set as the last Apply left it
  std::unique_ptr<StudioPanel> panel;
  std::unique_ptr<RenderWorker> worker;
  std::unique_ptr<ExportJob> exportJob;
  InputTranslator translator;
  FrameSize windowSize;
  TimelineGeometry timeline;

  std::string clipPath;
  FrameSize clipSize;
  int clipFrames = 101;
  bool clipIsVideo = false;
  double clipSeconds = 1.0;

  std::optional<ParameterSnapshot> shown; // the set last read from the page's effect
  double expectedPageTime = 0.0;          // the page's time after our last move of its cursor
  TimelineCurve curve;
  double cursor = 0.0;
  PreviewMode mode = PreviewMode::Software;
  PreviewZoom zoom = PreviewZoom::Fit;
  bool timelineFocused = false;
  bool dragging = false;
  bool playing = false;
  double playStartSeconds = 0.0;
  double playStartCursor = 0.0;
  double lastTickSeconds = 0.0;

  uint64_t serial = 0;      // the last request handed to the worker
  bool renderWanted = true; // the preview is out of date
  uint64_t awaited = 0;     // a result not yet taken for this request
  std::vector<RenderedPicture> pictures;
  double exportShown = -1.0; // the progress last drawn

  bool repaint = true;
  bool quit = false;
  std::vector<BYTE> uiPixels;
  std::optional<Frame> canvas;
};
