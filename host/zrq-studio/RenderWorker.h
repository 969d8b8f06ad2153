// Renders the preview off the UI thread. The UI hands in what it wants shown; the worker
// renders only the latest request (older ones waiting are dropped), and the UI takes the
// pictures on a later frame, so it never waits for a render. The worker owns the clip source
// and the preview's effects.
#pragma once

#include "host/EffectModule.h"
#include "host/zrq-studio/ClipSource.h"
#include "host/zrq-studio/ParameterSnapshot.h"
#include "host/zrq-studio/PreviewRenderer.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct PreviewRequest {
  uint64_t serial = 0;
  ParameterSnapshot parameters;
  double time = 0.0;
  std::vector<RenderPath> paths;
};

struct RenderedPicture {
  RenderPath path;
  Frame picture;
};

struct PreviewResult {
  uint64_t serial = 0;
  std::vector<RenderedPicture> pictures;
  std::string error; // empty when every path rendered
  double milliseconds = 0.0;
};

class RenderWorker {
public:
  // Starts the thread over `source`; `module` must outlive the worker.
  RenderWorker(const EffectModule &module, std::unique_ptr<ClipSource> source);
  // Finishes the render under way and stops the thread.
  ~RenderWorker();
  RenderWorker(const RenderWorker &) = delete;
  RenderWorker &operator=(const RenderWorker &) = delete;

  void Submit(PreviewRequest request);
  // The newest finished result not taken yet.
  std::optional<PreviewResult> Take();
  // Whether a request is waiting or being rendered.
  bool Busy() const;

private:
  void Run();
  PreviewResult RenderRequest(const PreviewRequest &request);

  const EffectModule &module;
  std::unique_ptr<ClipSource> source; // the worker thread's only
  std::unique_ptr<PreviewRenderer> renderer;

  mutable std::mutex lock; // guards the fields below
  std::condition_variable wake;
  std::optional<PreviewRequest> waiting;
  std::optional<PreviewResult> finished;
  bool rendering = false;
  bool stopping = false;
  std::thread thread;
};
