#include "host/ContactSheet.h"
#include "host/FrameRenderer.h"
#include "host/MessageText.h"
#include "host/ProgressLine.h"
#include "host/RenderJobs.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr std::array<int, 3> kDemoValues = {25, 50, 100};
constexpr std::array<RenderPath, 2> kDemoPaths = {RenderPath::Software, RenderPath::Device};
constexpr int kThumbnailWidth = 320;

std::string DemoFileName(const EffectNames &names, LONG effectId, int value) {
  char number[8];
  std::snprintf(number, sizeof number, "%03d", value);
  return std::to_string(effectId) + "-" + names.Slug(effectId) + "-" + number + ".png";
}

// One effect of the module on one render path, with the picture it last rendered. The values
// go through the effect's parameter set as every other run's do: one key frame each.
struct DemoPath {
  ProjectParameters project;
  std::unique_ptr<FrameRenderer> renderer;
  Frame picture;

  static Result<DemoPath> Create(const EffectModule &module, RenderPath path, FrameSize size) {
    Result<ProjectParameters> project = ProjectParameters::Create(module);
    ZRQ_RETURN_IF_FAILED(project);
    Result<std::unique_ptr<FrameRenderer>> renderer =
        MakeFrameRenderer(path, project.value().Interface(), size);
    ZRQ_RETURN_IF_FAILED(renderer);
    Result<Frame> picture = Frame::Allocate(size);
    ZRQ_RETURN_IF_FAILED(picture);
    return DemoPath{std::move(project.value()), std::move(renderer.value()),
                    std::move(picture.value())};
  }

  Status Render(const Frame &source, LONG effectId, int value) {
    ZRQ_RETURN_IF_FAILED(project.SetEffectId(effectId));
    ZRQ_RETURN_IF_FAILED(project.Apply());
    const KeyFrameArgument key{0.0, double(value)};
    ZRQ_RETURN_IF_FAILED(project.ReplaceKeyFrames({&key, 1}));
    return renderer->Render(source, picture, 0.0);
  }
};

Status WriteSheet(const ContactSheet &sheet, const std::filesystem::path &path) {
  Result<Frame> composed = sheet.Compose();
  ZRQ_RETURN_IF_FAILED(composed);
  return WritePngFile(path.string(), composed.value(), PngChannels::Rgb);
}

} // namespace

Status RunDemoJob(const RenderOptions &options, const EffectModule &module, FILE *report) {
  namespace fs = std::filesystem;
  fs::path folder(options.demoFolder);
  std::error_code error;
  fs::create_directories(folder, error);
  if (error)
    return Status::Fail("cannot make the folder " + Quoted(options.demoFolder) + ": " +
                        error.message());

  Result<SourcePicture> source = LoadSourcePicture(options);
  ZRQ_RETURN_IF_FAILED(source);
  const Frame &picture = source.value().frame;
  PngChannels channels = source.value().channels;
  std::string sourceName = options.input.empty() ? "test-card.png" : "source.png";
  ZRQ_RETURN_IF_FAILED(WritePngFile((folder / sourceName).string(), picture, channels));

  std::vector<DemoPath> paths;
  for (RenderPath path : kDemoPaths) {
    Result<DemoPath> made = DemoPath::Create(module, path, picture.Size());
    if (!made.ok())
      return Status::Fail(std::string(RenderPathName(path)) + " path: " + made.message());
    paths.push_back(std::move(made.value()));
  }
  DemoPath &software = paths[0];

  const EffectNames &names = module.Names();
  std::vector<std::string> rowLabels;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id)
    rowLabels.emplace_back(names.DisplayName(id));
  std::vector<std::string> columnLabels;
  std::vector<std::string> pathColumnLabels;
  for (int value : kDemoValues) {
    columnLabels.push_back(std::to_string(value));
    for (RenderPath path : kDemoPaths)
      pathColumnLabels.push_back(std::to_string(value) + " " + std::string(RenderPathName(path)));
  }
  ContactSheet sheet(rowLabels, columnLabels, kThumbnailWidth);
  ContactSheet pathSheet(rowLabels, pathColumnLabels, kThumbnailWidth);

  int64_t total = int64_t(rowLabels.size() * kDemoValues.size() * kDemoPaths.size());
  ProgressLine progress(!options.quiet, total);
  int64_t done = 0;
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    size_t row = size_t(id - kFirstEffectId);
    for (size_t column = 0; column < kDemoValues.size(); ++column) {
      int value = kDemoValues[column];
      for (size_t p = 0; p < paths.size(); ++p) {
        if (Status rendered = paths[p].Render(picture, id, value); !rendered.ok())
          return Status::Fail(std::string(RenderPathName(kDemoPaths[p])) +
                              " path: " + rendered.message());
        ZRQ_RETURN_IF_FAILED(
            pathSheet.Place(row, column * kDemoPaths.size() + p, paths[p].picture));
        progress.Done(++done);
      }
      ZRQ_RETURN_IF_FAILED(WritePngFile((folder / DemoFileName(names, id, value)).string(),
                                        software.picture, channels));
      ZRQ_RETURN_IF_FAILED(sheet.Place(row, column, software.picture));
    }
  }
  progress.Finish();

  fs::path sheetPath = folder / "contact-sheet.png";
  fs::path pathSheetPath = folder / "contact-sheet-paths.png";
  ZRQ_RETURN_IF_FAILED(WriteSheet(sheet, sheetPath));
  ZRQ_RETURN_IF_FAILED(WriteSheet(pathSheet, pathSheetPath));

  std::fprintf(report,
               "zrq-render: wrote %zu pictures (%zu effects at 25, 50 and 100) and %s to %s\n"
               "zrq-render: contact sheet: %s\n"
               "zrq-render: the device path beside the software path: %s\n",
               rowLabels.size() * kDemoValues.size(), rowLabels.size(), sourceName.c_str(),
               Printable(folder.string()).c_str(), Printable(sheetPath.string()).c_str(),
               Printable(pathSheetPath.string()).c_str());
  return Status::Ok();
}
