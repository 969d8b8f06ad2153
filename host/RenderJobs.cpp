#include "host/RenderJobs.h"

#include "host/CurveTable.h"
#include "host/TestCard.h"

namespace {

// Every way the straight-line law can fail shows at a key frame's own time (a held or
// converted value) or between two neighbours (their arithmetic), so checking those times,
// and the clip's ends, finds a bad value before any frame is written.
Status CheckEvaluation(const ProjectParameters &project) {
  Result<std::vector<double>> times = project.KeyFrameTimes();
  if (!times.ok())
    return times.status();
  std::vector<double> checks = {0.0, 1.0};
  for (size_t i = 0; i < times.value().size(); ++i) {
    checks.push_back(times.value()[i]);
    if (i > 0)
      checks.push_back(times.value()[i - 1] / 2 + times.value()[i] / 2);
  }
  for (double time : checks)
    if (Result<double> value = EffectValueSchedule::Evaluate(project.Interface(), time);
        !value.ok())
      return value.status();
  return Status::Ok();
}

} // namespace

Result<RenderPlan> PrepareRun(const RenderOptions &options, const EffectModule &module,
                              FILE *report, FILE *warnings) {
  std::string warning;
  Result<ProjectParameters> project = ProjectFromOptions(options, module, &warning);
  if (!project.ok())
    return Error{project.message()};
  if (!warning.empty())
    std::fprintf(warnings, "zrq-render: warning: %s\n", warning.c_str());
  LONG effectId = project.value().EffectId().value(); // checked by ProjectFromOptions
  if (Status checked = CheckEvaluation(project.value()); !checked.ok())
    return Error{(options.paramsFile.empty() ? "" : options.paramsFile + ": ") +
                 checked.message()};

  if (options.curveSamples) {
    Result<std::string> table =
        CurveTable(project.value().Interface(), module.Names(), effectId, *options.curveSamples);
    if (!table.ok())
      return Error{table.message()};
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
    if (!card.ok())
      return Error{card.message()};
    return SourcePicture{std::move(card.value()), PngChannels::Rgb};
  }
  Result<PngPicture> picture = ReadPngFile(options.input);
  if (!picture.ok())
    return Error{picture.message()};
  PngChannels channels = picture.value().hasAlpha ? PngChannels::Rgba : PngChannels::Rgb;
  return SourcePicture{std::move(picture.value().frame), channels};
}
