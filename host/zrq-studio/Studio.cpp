#include "host/zrq-studio/Studio.h"

#include "host/Drawing.h"
#include "host/MessageText.h"
#include "host/TestCard.h"
#include "host/zrq-studio/PreviewView.h"
#include "host/zrq-studio/TimelineView.h"

#include <zrqtext.h>
#include <zrqui.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr Colour kProgressBar{48, 112, 208};

std::string WithoutFlag(std::string message) {
  // The project loader speaks to zrq-render's command line; here there is no flag to name.
  const std::string flag = "--params: ";
  if (message.rfind(flag, 0) == 0) message.erase(0, flag.size());
  return message;
}

BOOL CALLBACK HelpRequested(const ZRQHELPREQUEST *request, void *context) {
  std::string file;
  if (!ZrqWideToUtf8(request->file, &file)) file = "?";
  static_cast<StudioPanel *>(context)->SetMessage("Help: the page asks for " + Quoted(file) +
                                                  ", and no help viewer is installed");
  return TRUE;
}

CComPtr<IUnknown> UnknownOf(const ProjectParameters &project) {
  CComPtr<IUnknown> effect;
  project.Interface()->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&effect));
  return effect;
}

} // namespace

Result<std::unique_ptr<Studio>> Studio::Create(const EffectModule &module, int width, int height) {
  Result<ProjectParameters> project = ProjectParameters::Create(module);
  if (!project.ok()) return Error{project.message()};
  std::unique_ptr<Studio> studio(
      new Studio(module, std::move(project.value()),
                 {std::max(width, kMinimumStudioWidth), std::max(height, kMinimumStudioHeight)}));
  Result<ProjectParameters> applied = studio->project->Copy(module);
  if (!applied.ok()) return Error{applied.message()};
  studio->applied.emplace(std::move(applied.value()));
  Result<std::unique_ptr<StudioPanel>> panel = StudioPanel::Create(
      studio->windowSize.width, studio->windowSize.height, module, UnknownOf(*studio->project),
      [raw = studio.get()](StudioCommand command) { raw->OnCommand(command); });
  if (!panel.ok()) return Error{panel.message()};
  studio->panel = std::move(panel.value());
  studio->timeline = TimelineGeometry(studio->panel->Layout().timeline);
  ZrqUiSetHelpHandler(HelpRequested, studio->panel.get());
  if (!studio->OpenClip("")) return Error{studio->panel->Message()};
  studio->Say("Ready: choose an effect, set its key frames and drag the cursor on the timeline");
  return studio;
}

Studio::Studio(const EffectModule &module, ProjectParameters project, FrameSize windowSize)
    : module(module), project(std::move(project)), windowSize(windowSize), timeline(PixelRect{}) {}

Studio::~Studio() {
  ZrqUiSetHelpHandler(nullptr, nullptr);
  exportJob.reset();
  worker.reset();
  panel.reset();
}

void Studio::Say(const std::string &text) {
  panel->SetMessage(text);
  repaint = true;
}

bool Studio::OpenClip(const std::string &path) {
  Result<std::unique_ptr<ClipSource>> source = OpenClipSource(path, kDefaultTestCardSize);
  if (!source.ok()) {
    Say(source.message());
    return false;
  }
  clipPath = path;
  clipSize = source.value()->Size();
  clipFrames = source.value()->FrameCount();
  clipIsVideo = source.value()->IsVideo();
  clipSeconds = std::max(0.04, source.value()->PlaySeconds());
  worker.reset();
  worker = std::make_unique<RenderWorker>(module, std::move(source.value()));
  pictures.clear();
  renderWanted = true;
  Say(path.empty() ? "Showing the test card" : "Opened " + Quoted(path));
  return true;
}

bool Studio::OpenProject(const std::string &path) {
  if (path.empty()) {
    Say("Type the project's file name in the File field first");
    return false;
  }
  Result<ProjectParameters> fresh = ProjectParameters::Create(module);
  if (!fresh.ok()) {
    Say(fresh.message());
    return false;
  }
  std::vector<std::string> warnings;
  Status loaded = fresh.value().Load(path, &warnings);
  Result<LONG> effectId = loaded.ok() ? fresh.value().EffectId() : Error{loaded.message()};
  Status checked =
      effectId.ok() ? fresh.value().CheckKeyFrames(&warnings) : Status::Fail(effectId.message());
  if (checked.ok()) checked = fresh.value().Apply();
  if (!checked.ok()) {
    Say("Project not opened: " + WithoutFlag(checked.message()));
    return false;
  }
  std::string said = "Opened project " + Quoted(path);
  for (const std::string &warning : warnings) said += "; " + warning;
  ReplaceProject(std::move(fresh.value()), said);
  return true;
}

void Studio::ReplaceProject(ProjectParameters replacement, const std::string &said) {
  Result<ProjectParameters> copy = replacement.Copy(module);
  if (!copy.ok()) {
    Say(copy.message());
    return;
  }
  if (Status shown = panel->ShowEffect(UnknownOf(replacement)); !shown.ok()) {
    // The page goes back to the effect it had.
    (void)panel->ShowEffect(UnknownOf(*project));
    Say(shown.message());
    return;
  }
  project.emplace(std::move(replacement));
  applied.emplace(std::move(copy.value()));
  shown.reset();
  Say(said);
}

bool Studio::SaveProject(const std::string &path) {
  if (path.empty()) {
    Say("Type the project's file name in the File field first");
    return false;
  }
  Status saved = project->Save(path);
  Say(saved.ok() ? "Saved the project to " + Quoted(path) : saved.message());
  return saved.ok();
}

bool Studio::StartExport(const std::string &path) {
  if (exportJob && !exportJob->Outcome()) {
    Say("An export is running; wait for it to finish");
    return false;
  }
  ExportRequest request;
  request.input = clipPath;
  request.cardSize = clipSize;
  request.video = clipIsVideo;
  request.output = path;
  request.path = mode == PreviewMode::Device ? RenderPath::Device : RenderPath::Software;
  request.time = cursor;
  exportJob.reset();
  Result<std::unique_ptr<ExportJob>> job = ExportJob::Start(module, *project, std::move(request));
  if (!job.ok()) {
    Say("Not exported: " + job.message());
    return false;
  }
  exportJob = std::move(job.value());
  exportShown = -1.0;
  Say("Exporting to " + Quoted(path) + " ...");
  return true;
}

void Studio::OnCommand(StudioCommand command) {
  switch (command) {
  case StudioCommand::Ok:
    Apply();
    panel->ReleaseFocus();
    timelineFocused = true;
    break;
  case StudioCommand::Cancel:
    Cancel();
    break;
  case StudioCommand::Apply:
    Apply();
    break;
  case StudioCommand::Help:
    Help();
    break;
  case StudioCommand::OpenClip:
    OpenClip(panel->FileName());
    break;
  case StudioCommand::OpenProject:
    OpenProject(panel->FileName());
    break;
  case StudioCommand::SaveProject:
    SaveProject(panel->FileName());
    break;
  case StudioCommand::Export:
    StartExport(panel->FileName());
    break;
  case StudioCommand::SoftwarePath:
    mode = PreviewMode::Software;
    renderWanted = true;
    break;
  case StudioCommand::DevicePath:
    mode = PreviewMode::Device;
    renderWanted = true;
    break;
  case StudioCommand::SplitView:
    mode = PreviewMode::Split;
    renderWanted = true;
    break;
  case StudioCommand::OneToOne:
    zoom = zoom == PreviewZoom::Fit ? PreviewZoom::OneToOne : PreviewZoom::Fit;
    break;
  case StudioCommand::Play:
    TogglePlay();
    break;
  }
  repaint = true;
}

void Studio::Apply() {
  HRESULT hr = panel->Page()->Apply();
  Result<ProjectParameters> copy = project->Copy(module);
  if (FAILED(hr) || !copy.ok()) {
    Say(copy.ok() ? "The page did not apply its changes" : copy.message());
    return;
  }
  applied.emplace(std::move(copy.value()));
  panel->EnableApply(false);
  Say("Applied: Cancel now goes back to this state");
}

void Studio::Cancel() {
  Result<ProjectParameters> restored = applied->Copy(module);
  if (!restored.ok()) {
    Say(restored.message());
    return;
  }
  ReplaceProject(std::move(restored.value()), "Cancelled: back to the state of the last Apply");
}

void Studio::Help() {
  // The help file lies beside the module, as the page's help directory.
  std::string folder = module.Path();
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : folder.substr(0, slash);
  std::u16string wide;
  if (!ZrqUtf8ToWide(folder, &wide)) wide = u".";
  const HRESULT hr = panel->Page()->Help(wide.c_str());
  if (FAILED(hr)) Say("The page has no help to show");
}

void Studio::TogglePlay() {
  playing = !playing;
  if (playing) {
    if (cursor >= 1.0) MoveCursor(0.0);
    playStartSeconds = lastTickSeconds;
    playStartCursor = cursor;
  }
  panel->SetPlaying(playing);
  repaint = true;
}

void Studio::MoveCursor(double time) {
  time = std::clamp(time, 0.0, 1.0);
  if (time == cursor) return;
  cursor = time;
  renderWanted = true;
  repaint = true;
  // The page's cursor moves in hundredths, as its field shows them.
  const long hundredths = std::lround(time * 100.0);
  expectedPageTime = double(hundredths) * 0.01;
  panel->SetPageTime(int(hundredths));
}

bool Studio::HandleStudioKey(const SDL_KeyboardEvent &key) {
  switch (key.keysym.sym) {
  case SDLK_LEFT:
    MoveCursor(StepFrames(cursor, clipFrames, -1));
    return true;
  case SDLK_RIGHT:
    MoveCursor(StepFrames(cursor, clipFrames, 1));
    return true;
  case SDLK_HOME:
    MoveCursor(0.0);
    return true;
  case SDLK_END:
    MoveCursor(1.0);
    return true;
  case SDLK_SPACE:
    TogglePlay();
    return true;
  default:
    return false;
  }
}

void Studio::HandleEvent(const SDL_Event &event) {
  repaint = true;
  switch (event.type) {
  case SDL_QUIT:
    quit = true;
    return;
  case SDL_KEYDOWN: {
    const SDL_Keymod mods = SDL_Keymod(event.key.keysym.mod);
    if (mods & KMOD_CTRL) {
      const SDL_Keycode sym = event.key.keysym.sym;
      if (sym == SDLK_q) quit = true;
      if (sym == SDLK_o) OpenClip(panel->FileName());
      if (sym == SDLK_p) OpenProject(panel->FileName());
      if (sym == SDLK_s) SaveProject(panel->FileName());
      if (sym == SDLK_e) StartExport(panel->FileName());
      return;
    }
    if (timelineFocused && HandleStudioKey(event.key)) return;
    break;
  }
  case SDL_KEYUP:
    if (event.key.keysym.mod & KMOD_CTRL) return;
    if (timelineFocused) {
      const SDL_Keycode sym = event.key.keysym.sym;
      if (sym == SDLK_LEFT || sym == SDLK_RIGHT || sym == SDLK_HOME || sym == SDLK_END ||
          sym == SDLK_SPACE)
        return;
    }
    break;
  case SDL_TEXTINPUT:
    // The space that plays the clip types nothing.
    if (timelineFocused && std::strcmp(event.text.text, " ") == 0) return;
    break;
  case SDL_MOUSEBUTTONDOWN:
    if (event.button.button != SDL_BUTTON_LEFT) return;
    if (timeline.Contains(event.button.x, event.button.y)) {
      timelineFocused = true;
      dragging = true;
      panel->ReleaseFocus();
      MoveCursor(timeline.TimeOfX(event.button.x));
      return;
    }
    if (panel->Layout().preview.Contains(event.button.x, event.button.y)) {
      timelineFocused = true;
      panel->ReleaseFocus();
      return;
    }
    timelineFocused = false;
    break;
  case SDL_MOUSEMOTION:
    if (dragging) {
      MoveCursor(timeline.TimeOfX(event.motion.x));
      return;
    }
    break;
  case SDL_MOUSEBUTTONUP:
    if (dragging && event.button.button == SDL_BUTTON_LEFT) {
      dragging = false;
      return;
    }
    break;
  default:
    break;
  }
  // Each event's messages run before the next event's are queued: a character the layer makes
  // from a key is posted behind the queue, and must not land after a later typed one.
  SendToWindowLayer(panel->Root(), translator.Translate(event));
  ZrqUiPumpMessages();
}

void Studio::ReadParameters() {
  Result<ParameterSnapshot> read = ParameterSnapshot::Read(project->Interface());
  if (!read.ok()) {
    Say(read.message());
    return;
  }
  const ParameterSnapshot &now = read.value();
  const bool changed = !shown || !shown->RendersLike(now);
  // The page's own time cursor moved (its slider or field): the timeline follows it.
  if (shown && now.CurrentTime() != shown->CurrentTime() && now.CurrentTime() != expectedPageTime) {
    expectedPageTime = now.CurrentTime();
    cursor = std::clamp(now.CurrentTime(), 0.0, 1.0);
    renderWanted = true;
    repaint = true;
  }
  if (changed) {
    // The page writes every change at once and never reports pending changes, so the frame
    // offers Apply while the set differs from what the last Apply kept.
    Result<ParameterSnapshot> kept = ParameterSnapshot::Read(applied->Interface());
    panel->EnableApply(!kept.ok() || !kept.value().RendersLike(now));
    Result<TimelineCurve> sampled =
        SampleTimelineCurve(project->Interface(), timeline.Track().width);
    if (sampled.ok())
      curve = std::move(sampled.value());
    else
      Say(sampled.message());
    renderWanted = true;
    repaint = true;
  }
  shown = std::move(read.value());
}

void Studio::RequestRender() {
  if (!renderWanted || !shown || !worker) return;
  PreviewRequest request;
  request.serial = ++serial;
  request.parameters = *shown;
  request.time = cursor;
  request.paths = PathsOf(mode);
  worker->Submit(std::move(request));
  awaited = serial;
  renderWanted = false;
}

void Studio::Tick(double seconds) {
  lastTickSeconds = seconds;
  if (ZrqUiPumpMessages() > 0) repaint = true;
  if (playing) {
    const double time = playStartCursor + (seconds - playStartSeconds) / clipSeconds;
    MoveCursor(std::min(time, 1.0));
    if (time >= 1.0) TogglePlay();
  }
  ReadParameters();
  RequestRender();
  if (std::optional<PreviewResult> result = worker->Take()) {
    if (!result->error.empty()) Say("Preview: " + result->error);
    if (!result->pictures.empty()) pictures = std::move(result->pictures);
    if (result->serial == awaited) awaited = 0;
    repaint = true;
  }
  if (exportJob) {
    const double progress = exportJob->Progress();
    if (progress != exportShown) {
      exportShown = progress;
      repaint = true;
    }
    if (std::optional<Status> outcome = exportJob->Outcome()) {
      Say(outcome->ok() ? "Exported to " + Quoted(exportJob->Request().output)
                        : "Export failed: " + outcome->message());
      exportJob.reset();
      exportShown = -1.0;
    }
  }
}

bool Studio::Idle() const {
  return !renderWanted && awaited == 0 && !(worker && worker->Busy()) && !exportJob && !playing;
}

const Frame &Studio::Compose() {
  const int width = windowSize.width;
  const int height = windowSize.height;
  if (!canvas) {
    Result<Frame> made = Frame::Allocate({width, height});
    if (made.ok()) canvas.emplace(std::move(made.value()));
    uiPixels.assign(size_t(width) * size_t(height) * 4, 0);
  }
  Frame &picture = *canvas;
  const ZRQUISURFACE surface = {uiPixels.data(), width, height, width * 4};
  ZrqUiRenderWindow(panel->Root(), &surface);
  for (int y = 0; y < height; ++y)
    std::memcpy(picture.ViewRow(y), uiPixels.data() + size_t(y) * size_t(width) * 4,
                picture.RowBytes());

  const StudioLayout &layout = panel->Layout();
  std::vector<PreviewPicture> shownPictures;
  for (const RenderedPicture &rendered : pictures)
    shownPictures.push_back({rendered.path, &rendered.picture});
  DrawPreview(picture, layout.preview, LayOutPreview(layout.preview, clipSize, mode, zoom),
              shownPictures);
  const std::vector<double> keyTimes = shown ? shown->StartOffsetTimes() : std::vector<double>{};
  DrawTimeline(picture, timeline, curve, keyTimes, cursor, timelineFocused);
  if (exportShown >= 0.0) {
    const PixelRect bar = layout.progress;
    FillRect(picture, bar.x, bar.y, bar.width, bar.height, Colour{200, 200, 200});
    FillRect(picture, bar.x + 1, bar.y + 1,
             int((bar.width - 2) * std::clamp(exportShown, 0.0, 1.0)), bar.height - 2,
             kProgressBar);
  }
  repaint = false;
  return picture;
}
