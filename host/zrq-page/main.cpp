// zrq-page: a picture of the effect's property page, as the user would see it.
//   zrq-page --screenshot page.png [--params project.xml] [--effect NAME] [--time T] [--module FILE]
// Exit status 0 when done, 1 when it could not be done, 2 for bad usage.
#include "host/zrq-page/PageScreenshot.h"

#include "host/ArgumentValues.h"
#include "host/EffectModule.h"
#include "host/MessageText.h"
#include "host/PngFile.h"
#include "host/ProjectParameters.h"
#include "host/common/ToolCommandLine.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// "Current Time", the page's time cursor.
constexpr LONG kCurrentTimeParameter = 20;

struct Options {
  std::optional<std::string> screenshot;
  std::optional<std::string> params;
  std::optional<std::string> effect;
  std::optional<double> time;
  std::optional<std::string> module;
};

void DeclareFlags(ToolCommandLine &line, Options &options) {
  line.AddValue("--screenshot", options.screenshot, ParseFileName, "FILE.png",
                "where the picture goes (replaced in one step); required");
  line.AddValue("--params", options.params, ParseFileName, "FILE.xml",
                "a project saved by zrq-render --save-params: its effect,\n"
                "key frames and time cursor");
  line.AddText("--effect", options.effect, "NAME",
               "the effect, by name (\"Mirror from Top\",\n"
               "mirror-from-top) or 2001..2010");
  line.AddValue("--time", options.time, ParseTime, "T",
                "the page's time cursor, 0 (start of the clip) to 1 (end)");
  line.AddValue("--module", options.module, ParseFileName, "FILE.so",
                "the module to use (default: ZRQDistortion2D9.so beside\n"
                "zrq-page)");
  line.App().footer("Exit status: 0 done, 1 failed, 2 bad usage.");
}

// The effect's parameters as the options give them: the project, then the effect and time.
Status Prepare(const Options &options, const EffectModule &module, ProjectParameters &project) {
  std::vector<std::string> warnings;
  if (options.params) {
    Status loaded = project.Load(*options.params, &warnings);
    ZRQ_RETURN_IF_FAILED(loaded);
  }
  for (const std::string &warning : warnings)
    std::fprintf(stderr, "zrq-page: warning: %s\n", warning.c_str());
  if (options.effect) {
    std::optional<LONG> id = module.Names().Find(*options.effect);
    if (!id)
      return Status::Fail("no effect is called " + Quoted(*options.effect) + "; choose one of " +
                          module.Names().Choices());
    Status set = project.SetEffectId(*id);
    ZRQ_RETURN_IF_FAILED(set);
  }
  if (options.time) {
    const HRESULT hr =
        project.Interface()->SetValue(kCurrentTimeParameter, CComVariant(*options.time));
    if (FAILED(hr)) return Status::Fail("cannot set the time cursor");
  }
  return project.Apply();
}

} // namespace

int main(int argc, char **argv) {
  ToolCommandLine line("zrq-page", "Opens the distortion effect's property page over a new effect "
                                   "and writes the\npicture of the page as the user would see it.");
  Options options;
  DeclareFlags(line, options);
  if (std::optional<int> status = line.Conclude(line.Parse(argc, argv))) return *status;
  if (!options.screenshot) return line.UsageError("--screenshot FILE.png is required");

  Result<std::unique_ptr<EffectModule>> module =
      EffectModule::Load(options.module.value_or(EffectModule::DefaultPath()));
  if (!module.ok()) return line.Failure(module.message());
  Result<ProjectParameters> project = ProjectParameters::Create(*module.value());
  if (!project.ok()) return line.Failure(project.message());
  if (Status prepared = Prepare(options, *module.value(), project.value()); !prepared.ok())
    return line.Failure(prepared.message());

  CComPtr<IUnknown> effect;
  project.value().Interface()->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&effect));
  Result<Frame> picture = PageScreenshot(*module.value(), effect);
  if (!picture.ok()) return line.Failure(picture.message());
  if (Status written = WritePngFile(*options.screenshot, picture.value(), PngChannels::Rgb);
      !written.ok())
    return line.Failure(written.message());
  return kExitDone;
}
