#include "host/OutputPattern.h"
#include "host/ProgressLine.h"
#include "host/RenderJobs.h"
#include "host/RunRenderer.h"

#include <optional>

Status RunPictureJob(const RenderOptions &options, const RenderPlan &plan, FILE *report) {
  // Without --output (only with --compare) the frames are rendered and measured, not written.
  std::optional<OutputPattern> pattern;
  if (!options.output.empty()) {
    Result<OutputPattern> parsed = OutputPattern::Parse(options.output);
    ZRQ_RETURN_IF_FAILED(parsed);
    pattern = parsed.value();
  }
  Result<SourcePicture> source = LoadSourcePicture(options);
  ZRQ_RETURN_IF_FAILED(source);
  const Frame &picture = source.value().frame;
  Result<Frame> destination = Frame::Allocate(picture.Size());
  ZRQ_RETURN_IF_FAILED(destination);
  Result<RunRenderer> renderer = RunRenderer::Create(options, plan, picture.Size(), report);
  ZRQ_RETURN_IF_FAILED(renderer);

  int64_t count = options.frames.value_or(1);
  ProgressLine progress(RunRenderer::WantsProgressLine(options) && count > 1, count);
  for (int64_t i = 0; i < count; ++i) {
    ZRQ_RETURN_IF_FAILED(renderer.value().Render(i, picture, destination.value()));
    if (pattern) {
      if (Status written =
              WritePngFile(pattern->Name(i), destination.value(), source.value().channels);
          !written.ok())
        return written;
    }
    progress.Done(i + 1);
    if (options.progress) options.progress(double(i + 1) / double(count));
  }
  progress.Finish();
  renderer.value().Finish();
  return Status::Ok();
}
