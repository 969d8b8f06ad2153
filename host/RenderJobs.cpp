#include "host/RenderJobs.h"

#include "host/CurveTable.h"
#include "host/MessageText.h"
#include "host/TestCard.h"

Result<RenderPlan> PrepareRun(const RenderOptions &options, const EffectModule &module,
                              FILE *report, FILE *warnings) {
  std::vector<std::string> cautions; // each names the project file when there is one
  Result<ProjectParameters> project = ProjectFromOptions(options, module, &cautions);
  ZRQ_RETURN_IF_FAILED(project);
  LONG effectId = project.value().EffectId().value(); // checked by ProjectFromOptions
  std::string from = options.paramsFile.empty() ? "" : Quoted(options.paramsFile) + ": ";
  std::vector<std::string> keyFrameCautions;
  if (Status checked = project.value().CheckKeyFrames(&keyFrameCautions); !checked.ok())
    return Error{from + checked.message()};
  for (const std::string &caution : keyFrameCautions) cautions.push_back(from + caution);
  for (const std::string &caution : cautions)
    std::fprintf(warnings, "zrq-render: warning: %s\n", Printable(caution).c_str());

  if (options.curveSamples) {
    Result<std::string> table =
        CurveTable(project.value().Interface(), module.Names(), effectId, *options.curveSamples);
    ZRQ_RETURN_IF_FAILED(table);
    std::fputs(table.value().c_str(), report);
    std::fflush(report);
  }
  // Written before the frames, so a bad path fails before a long run rather than after it.
  if (!options.saveParamsFile.empty()) {
    ZRQ_RETURN_IF_FAILED(project.value().Save(options.saveParamsFile));
  }

  EffectValueSchedule schedule(project.value().Interface(), options.frames, options.time);
  return RenderPlan{std::move(project.value()), effectId, std::move(schedule), &module};
}

Result<SourcePicture> LoadSourcePicture(const RenderOptions &options) {
  if (options.input.empty()) {
    Result<Frame> card = MakeTestCard(options.cardSize);
    ZRQ_RETURN_IF_FAILED(card);
    return SourcePicture{std::move(card.value()), PngChannels::Rgb};
  }
  Result<PngPicture> picture = ReadPngFile(options.input);
  ZRQ_RETURN_IF_FAILED(picture);
  PngChannels channels = picture.value().hasAlpha ? PngChannels::Rgba : PngChannels::Rgb;
  return SourcePicture{std::move(picture.value().frame), channels};
}
