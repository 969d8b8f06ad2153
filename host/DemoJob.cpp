#include "host/ContactSheet.h"
#include "host/EffectNames.h"
#include "host/EffectRenderer.h"
#include "host/ProgressLine.h"
#include "host/RenderJobs.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr std::array<int, 3> kDemoValues = {25, 50, 100};
constexpr int kThumbnailWidth = 320;

std::string DemoFileName(LONG effectId, int value) {
  char number[8];
  std::snprintf(number, sizeof number, "%03d", value);
  return std::to_string(effectId) + "-" + EffectSlug(effectId) + "-" + number + ".png";
}

} // namespace

Status RunDemoJob(const RenderOptions &options, FILE *report) {
  namespace fs = std::filesystem;
  fs::path folder(options.demoFolder);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error)
    return Status::Fail("cannot make the folder '" + options.demoFolder + "': " + error.message());

  Result<SourcePicture> source = LoadSourcePicture(options);
  if (!source.ok())
    return source.status();
  const Frame &picture = source.value().frame;
  PngChannels channels = source.value().channels;
  std::string sourceName = options.input.empty() ? "test-card.png" : "source.png";
  if (Status written = WritePngFile((folder / sourceName).string(), picture, channels);
      !written.ok())
    return written;

  Result<Frame> destination = Frame::Allocate(picture.Size());
  if (!destination.ok())
    return destination.status();

  // The values go through a parameter set as every other run's do: one key frame each.
  Result<ProjectParameters> project = ProjectParameters::Create();
  if (!project.ok())
    return project.status();
  EffectValueSchedule schedule(project.value().Interface(), std::nullopt, 0.0);

  std::vector<std::string> rowLabels;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id)
    rowLabels.emplace_back(EffectDisplayName(id));
  std::vector<std::string> columnLabels;
  for (int value : kDemoValues)
    columnLabels.push_back(std::to_string(value));
  ContactSheet sheet(rowLabels, columnLabels, kThumbnailWidth);

  int64_t total = int64_t(rowLabels.size() * kDemoValues.size());
  ProgressLine progress(!options.quiet, total);
  int64_t done = 0;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    EffectRenderer renderer(id);
    for (size_t column = 0; column < kDemoValues.size(); ++column) {
      int value = kDemoValues[column];
      const KeyFrameArgument key{0.0, double(value)};
      if (Status set = project.value().ReplaceKeyFrames({&key, 1}); !set.ok())
        return set;
      Result<double> effectValue = schedule.ValueAt(0);
      if (!effectValue.ok())
        return effectValue.status();
      if (Status rendered = renderer.Render(picture, destination.value(), effectValue.value());
          !rendered.ok())
        return rendered;
      if (Status written = WritePngFile((folder / DemoFileName(id, value)).string(),
                                        destination.value(), channels);
          !written.ok())
        return written;
      if (Status placed = sheet.Place(size_t(id - kFirstEffectId), column, destination.value());
          !placed.ok())
        return placed;
      progress.Done(++done);
    }
  }
  progress.Finish();

  Result<Frame> composed = sheet.Compose();
  if (!composed.ok())
    return composed.status();
  fs::path sheetPath = folder / "contact-sheet.png";
  if (Status written = WritePngFile(sheetPath.string(), composed.value(), PngChannels::Rgb);
      !written.ok())
    return written;

  std::fprintf(report,
               "zrq-render: wrote %lld pictures (%zu effects at 25, 50 and 100) and %s to %s\n"
               "zrq-render: contact sheet: %s\n",
               static_cast<long long>(done), rowLabels.size(), sourceName.c_str(),
               folder.string().c_str(), sheetPath.string().c_str());
  return Status::Ok();
}
