#include "host/PathComparison.h"

namespace {

std::string Frames(int64_t count) {
  return std::to_string(count) + (count == 1 ? " frame" : " frames");
}

} // namespace

Result<std::unique_ptr<PathComparison>> PathComparison::Create(const RenderPlan &plan,
                                                               RenderPath written, FrameSize size,
                                                               FILE *report, DeviceCaps caps) {
  Result<ProjectParameters> other = plan.project.Copy(*plan.module);
  ZRQ_RETURN_IF_FAILED(other);
  Result<Frame> picture = Frame::Allocate(size);
  ZRQ_RETURN_IF_FAILED(picture);
  RenderPath path = written == RenderPath::Software ? RenderPath::Device : RenderPath::Software;
  std::unique_ptr<PathComparison> comparison(new PathComparison(
      std::move(other.value()), std::move(picture.value()), plan.schedule, report));
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(path, comparison->other.Interface(), size, caps);
  ZRQ_RETURN_IF_FAILED(renderer);
  comparison->renderer = std::move(renderer.value());

  std::fprintf(report,
               "# the device path against the software path: %s (%ld), %dx%d; per frame the "
               "pixels that differ and the largest difference of a channel (0..255)\n"
               " frame      time     value   differing   percent  largest\n",
               std::string(plan.module->Names().DisplayName(plan.effectId)).c_str(),
               long(plan.effectId), size.width, size.height);
  std::fflush(report);
  return comparison;
}

Status PathComparison::Add(int64_t index, const Frame &source, const Frame &rendered) {
  double time = schedule.TimeOf(index);
  Result<double> value = schedule.ValueAt(index);
  ZRQ_RETURN_IF_FAILED(value);
  if (Status done = renderer->Render(source, otherPicture, time); !done.ok())
    return Status::Fail("--compare: " + done.message());
  FrameDifference difference = CompareFrames(rendered, otherPicture);
  std::fprintf(report, "%6lld %9.4f %9.3f %11lld %8.4f%% %8d\n", static_cast<long long>(index),
               time, value.value() * 100.0, static_cast<long long>(difference.differingPixels),
               difference.Percent(), difference.largestChannelDifference);
  std::fflush(report);

  if (frames == 0 || difference.differingPixels > mostPixels.differingPixels) {
    mostPixels = difference;
    mostPixelsFrame = index;
  }
  if (frames == 0 || difference.largestChannelDifference > largest) {
    largest = difference.largestChannelDifference;
    largestFrame = index;
  }
  identical += difference.differingPixels == 0 ? 1 : 0;
  ++frames;
  return Status::Ok();
}

void PathComparison::Finish() {
  if (identical == frames)
    std::fprintf(report, "# %s, identical on both paths\n", Frames(frames).c_str());
  else
    std::fprintf(report,
                 "# %s, %lld identical; at most %.4f%% of the pixels differ (frame %lld); the "
                 "largest difference of a channel is %d (frame %lld)\n",
                 Frames(frames).c_str(), static_cast<long long>(identical), mostPixels.Percent(),
                 static_cast<long long>(mostPixelsFrame), largest,
                 static_cast<long long>(largestFrame));
  std::fflush(report);
}
