#include "host/RunRenderer.h"

Result<RunRenderer> RunRenderer::Create(const RenderOptions &options, const RenderPlan &plan,
                                        FrameSize size, FILE *report) {
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(options.path, plan.project.Interface(), size, options.caps);
  ZRQ_RETURN_IF_FAILED(renderer);
  std::unique_ptr<PathComparison> comparison;
  if (options.compare) {
    Result<std::unique_ptr<PathComparison>> made =
        PathComparison::Create(plan, options.path, size, report, options.caps);
    ZRQ_RETURN_IF_FAILED(made);
    comparison = std::move(made.value());
  }
  return RunRenderer(plan, std::move(renderer.value()), std::move(comparison));
}

Status RunRenderer::Render(int64_t index, const Frame &source, Frame &destination) {
  ZRQ_RETURN_IF_FAILED(renderer->Render(source, destination, plan.schedule.TimeOf(index)));
  return comparison ? comparison->Add(index, source, destination) : Status::Ok();
}

void RunRenderer::Finish() {
  if (comparison) comparison->Finish();
}
