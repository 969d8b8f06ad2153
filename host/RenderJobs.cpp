#include "host/RenderJobs.h"

#include "host/CurveTable.h"
#include "host/MessageText.h"
#include "host/TestCard.h"

Result<RenderPlan> PrepareRun(const RenderOptions &options, const EffectModule &module,
                              FILE *report, FILE *warnings) {
  std::vector<std::string> cautions; // each names the project file when there is one
  Result<ProjectParameters> project = ProjectFromOptions(options, module, &cautions);
  if (!project.ok()) return Error{project.message()};
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
    if (!table.ok()) return Error{table.message()};
    std::fputs(table.value().c_str(), report);
    std::fflush(report);
  }
  // Written before the frames, so a bad path fails before a long run rather than after it.
  if (!options.saveParamsFile.empty()) {
    if (Status saved = project.value().Save(options.saveParamsFile); !saved.ok())
      return Error{saved.message()};
  }

  EffectValueSchedule schedule(project.value().Interface(), options.frames, options.time);
  return RenderPlan{std::move(project.value()), effectId, std::move(schedule), &module};
}

Result<SourcePicture> LoadSourcePicture(const RenderOptions &options) {
  if (options.input.empty()) {
    Result<Frame> card = MakeTestCard(options.cardSize);
    if (!card.ok()) return Error{card.message()};
    return SourcePicture{std::move(card.value()), PngChannels::Rgb};
  }
  Result<PngPicture> picture = ReadPngFile(options.input);
  if (!picture.ok()) return Error{picture.message()};
  PngChannels channels = picture.value().hasAlpha ? PngChannels::Rgba : PngChannels::Rgb;
  return SourcePicture{std::move(picture.value().frame), channels};
}
