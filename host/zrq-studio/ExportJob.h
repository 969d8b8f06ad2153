// An export run on its own thread through zrq-render's jobs: a video clip rendered frame by
// frame into a new video file, or a picture (a PNG or the test card) rendered at the cursor's
// time into a PNG. The job renders a copy of the edited effect, so editing goes on meanwhile.
// Files are written as the jobs write them: complete, or not at all.
#pragma once

#include "host/EffectModule.h"
#include "host/FrameRenderer.h"
#include "host/ProjectParameters.h"
#include "host/Status.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct RenderPlan;

struct ExportRequest {
  std::string input;  // the clip or picture; empty for the test card
  FrameSize cardSize; // the test card's size
  bool video = false; // a video clip in, a video file out
  std::string output; // the file to write
  RenderPath path = RenderPath::Software;
  double time = 0.0; // a picture's time in the clip
};

class ExportJob {
public:
  // Copies the project's effect and starts the run. `module` must outlive the job.
  [[nodiscard]] static Result<std::unique_ptr<ExportJob>>
  Start(const EffectModule &module, const ProjectParameters &project, ExportRequest request);
  // Waits for the run to end.
  ~ExportJob();
  ExportJob(const ExportJob &) = delete;
  ExportJob &operator=(const ExportJob &) = delete;

  const ExportRequest &Request() const { return request; }
  // How far the run has got, 0..1.
  double Progress() const { return progress.load(); }
  // The run's outcome once it has ended; nothing while it runs.
  std::optional<Status> Outcome() const;

private:
  ExportJob(ExportRequest request, std::unique_ptr<RenderPlan> plan);
  void Run();

  ExportRequest request;
  std::unique_ptr<RenderPlan> plan;
  std::atomic<double> progress{0.0};
  mutable std::mutex lock; // guards outcome
  std::optional<Status> outcome;
  std::thread thread;
};
