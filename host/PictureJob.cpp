#include "host/EffectRenderer.h"
#include "host/OutputPattern.h"
#include "host/ProgressLine.h"
#include "host/RenderJobs.h"

Status RunPictureJob(const RenderOptions &options, const RenderPlan &plan) {
  Result<OutputPattern> pattern = OutputPattern::Parse(options.output);
  if (!pattern.ok())
    return pattern.status();
  Result<SourcePicture> source = LoadSourcePicture(options);
  if (!source.ok())
    return source.status();
  const Frame &picture = source.value().frame;
  Result<Frame> destination = Frame::Allocate(picture.Size());
  if (!destination.ok())
    return destination.status();

  int64_t count = options.frames.value_or(1);
  EffectRenderer renderer(plan.effectId);
  ProgressLine progress(!options.quiet && count > 1, count);
  for (int64_t i = 0; i < count; ++i) {
    Result<double> value = plan.schedule.ValueAt(i);
    if (!value.ok())
      return value.status();
    if (Status rendered = renderer.Render(picture, destination.value(), value.value());
        !rendered.ok())
      return rendered;
    if (Status written = WritePngFile(pattern.value().Name(i), destination.value(),
                                      source.value().channels);
        !written.ok())
      return written;
    progress.Done(i + 1);
  }
  return Status::Ok();
}
