#include "host/zrq-studio/RenderWorker.h"

#include <chrono>

RenderWorker::RenderWorker(const EffectModule &module, std::unique_ptr<ClipSource> source)
    : module(module), source(std::move(source)) {
  thread = std::thread([this] { Run(); });
}

RenderWorker::~RenderWorker() {
  {
    std::lock_guard<std::mutex> hold(lock);
    stopping = true;
  }
  wake.notify_all();
  thread.join();
}

void RenderWorker::Submit(PreviewRequest request) {
  {
    std::lock_guard<std::mutex> hold(lock);
    waiting = std::move(request);
  }
  wake.notify_all();
}

std::optional<PreviewResult> RenderWorker::Take() {
  std::lock_guard<std::mutex> hold(lock);
  std::optional<PreviewResult> taken = std::move(finished);
  finished.reset();
  return taken;
}

bool RenderWorker::Busy() const {
  std::lock_guard<std::mutex> hold(lock);
  return rendering || waiting.has_value();
}

void RenderWorker::Run() {
  for (;;) {
    PreviewRequest request;
    {
      std::unique_lock<std::mutex> hold(lock);
      wake.wait(hold, [this] { return stopping || waiting.has_value(); });
      if (stopping) break;
      request = std::move(*waiting);
      waiting.reset();
      rendering = true;
    }
    PreviewResult result = RenderRequest(request);
    std::lock_guard<std::mutex> hold(lock);
    finished = std::move(result);
    rendering = false;
  }
  // The effects go on the thread that made and used them.
  renderer.reset();
  source.reset();
}

PreviewResult RenderWorker::RenderRequest(const PreviewRequest &request) {
  const auto started = std::chrono::steady_clock::now();
  PreviewResult result;
  result.serial = request.serial;
  Result<const Frame *> frame = source->FrameAt(request.time);
  if (!frame.ok()) {
    result.error = frame.message();
    return result;
  }
  if (!renderer) renderer = std::make_unique<PreviewRenderer>(module, source->Size());
  for (RenderPath path : request.paths) {
    Result<const Frame *> rendered =
        renderer->Render(request.parameters, *frame.value(), request.time, path);
    Result<Frame> copy = rendered.ok() ? rendered.value()->Clone() : Error{rendered.message()};
    if (!copy.ok()) {
      result.error = std::string(RenderPathName(path)) + " path: " + copy.message();
      continue;
    }
    result.pictures.push_back({path, std::move(copy.value())});
  }
  result.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  return result;
}
