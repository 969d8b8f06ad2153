// --compare: every frame of a run rendered on the other path as well, by a second effect
// holding a copy of the run's parameter set, and how far the device path's picture lies from
// the software path's, printed one line a frame with a summary line at the end.
#pragma once

#include "host/FrameDifference.h"
#include "host/FrameRenderer.h"
#include "host/RenderJobs.h"

#include <cstdio>
#include <memory>

class PathComparison {
public:
  // Prints the heading. `written` is the run's own path; the comparison renders the other.
  [[nodiscard]] static Result<std::unique_ptr<PathComparison>>
  Create(const RenderPlan &plan, RenderPath written, FrameSize size, FILE *report,
         DeviceCaps caps = DeviceCaps::Shaders);

  // `rendered` is frame `index` of the run as the written path rendered it from `source`.
  Status Add(int64_t index, const Frame &source, const Frame &rendered);
  // The summary line.
  void Finish();

private:
  PathComparison(ProjectParameters other, Frame otherPicture, const EffectValueSchedule &schedule,
                 FILE *report)
      : other(std::move(other)), otherPicture(std::move(otherPicture)), schedule(schedule),
        report(report) {}

  ProjectParameters other; // declared before the renderer, which must go first
  std::unique_ptr<FrameRenderer> renderer;
  Frame otherPicture;
  const EffectValueSchedule &schedule;
  FILE *report;

  int64_t frames = 0;
  int64_t identical = 0;
  FrameDifference mostPixels;
  int64_t mostPixelsFrame = 0;
  int largest = 0;
  int64_t largestFrame = 0;
};
