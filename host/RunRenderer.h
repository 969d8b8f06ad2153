// The frames of a picture or raw-stream run: each rendered on --path at its time in the
// clip and, with --compare, measured against the other path.
#pragma once

#include "host/FrameRenderer.h"
#include "host/PathComparison.h"
#include "host/RenderJobs.h"

#include <cstdio>
#include <memory>

class RunRenderer {
public:
  // Puts the plan's effect on --path for frames of `size`; with --compare the heading of the
  // comparison goes to `report`.
  [[nodiscard]] static Result<RunRenderer>
  Create(const RenderOptions &options, const RenderPlan &plan, FrameSize size, FILE *report);

  // Frame `index` of the run from `source` into `destination`.
  Status Render(int64_t index, const Frame &source, Frame &destination);
  // The comparison's summary, when there is one.
  void Finish();

  // The --compare table shows how far a run has got; a progress line would run into it.
  static bool WantsProgressLine(const RenderOptions &options) {
    return !options.quiet && !options.compare;
  }

private:
  RunRenderer(const RenderPlan &plan, std::unique_ptr<FrameRenderer> renderer,
              std::unique_ptr<PathComparison> comparison)
      : plan(plan), renderer(std::move(renderer)), comparison(std::move(comparison)) {}

  const RenderPlan &plan;
  std::unique_ptr<FrameRenderer> renderer;
  std::unique_ptr<PathComparison> comparison;
};
