// zrq-page: a picture of the effect's property page, as the user would see it.
//   zrq-page --screenshot page.png [--params project.xml] [--effect NAME] [--time T] [--module FILE]
// Exit status 0 when done, 1 when it could not be done, 2 for bad usage.
#include "host/zrq-page/PageScreenshot.h"

#include "host/ArgumentValues.h"
#include "host/EffectModule.h"
#include "host/MessageText.h"
#include "host/PngFile.h"
#include "host/ProjectParameters.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// "Current Time", the page's time cursor.
constexpr LONG kCurrentTimeParameter = 20;

constexpr const char *kUsage =
    "usage: zrq-page --screenshot FILE.png [--params FILE.xml] [--effect NAME] [--time T]\n"
    "                [--module FILE.so]\n"
    "\n"
    "Opens the distortion effect's property page over a new effect and writes the picture of\n"
    "the page as the user would see it.\n"
    "\n"
    "  --screenshot FILE.png  where the picture goes (replaced in one step)\n"
    "  --params FILE.xml      a project saved by zrq-render --save-params: its effect, key frames\n"
    "                         and time cursor\n"
    "  --effect NAME          the effect, by name (\"Mirror from Top\", mirror-from-top) or "
    "2001..2010\n"
    "  --time T               the page's time cursor, 0 (start of the clip) to 1 (end)\n"
    "  --module FILE.so       the module to use (default: ZRQDistortion2D9.so beside zrq-page)\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 bad usage.\n";

struct Options {
  std::string screenshot;
  std::string params;
  std::string effect;
  std::optional<double> time;
  std::string module;
};

int Usage(const std::string &message) {
  std::fprintf(stderr, "zrq-page: %s (zrq-page --help for more)\n", message.c_str());
  return kExitUsage;
}

int Fail(const std::string &message) {
  std::fprintf(stderr, "zrq-page: %s\n", message.c_str());
  return kExitFailure;
}

// Reads the command line into *options; an error message, or empty when it was good.
std::string Parse(const std::vector<std::string_view> &args, Options *options) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view flag = args[i];
    std::string *text = flag == "--screenshot" ? &options->screenshot
                        : flag == "--params"   ? &options->params
                        : flag == "--effect"   ? &options->effect
                        : flag == "--module"   ? &options->module
                                               : nullptr;
    if (!text && flag != "--time") return "unknown option " + Quoted(flag);
    if (i + 1 == args.size()) return std::string(flag) + " needs a value";
    const std::string_view value = args[++i];
    if (text) {
      *text = value;
      continue;
    }
    Result<double> time = ParseTime(flag, value);
    if (!time.ok()) return time.message();
    options->time = time.value();
  }
  if (options->screenshot.empty()) return "--screenshot FILE.png is required";
  return {};
}

// The effect's parameters as the options give them: the project, then the effect and time.
Status Prepare(const Options &options, const EffectModule &module, ProjectParameters &project) {
  std::vector<std::string> warnings;
  if (!options.params.empty()) {
    Status loaded = project.Load(options.params, &warnings);
    if (!loaded.ok()) return loaded;
  }
  for (const std::string &warning : warnings)
    std::fprintf(stderr, "zrq-page: warning: %s\n", warning.c_str());
  if (!options.effect.empty()) {
    std::optional<LONG> id = module.Names().Find(options.effect);
    if (!id)
      return Status::Fail("no effect is called " + Quoted(options.effect) + "; choose one of " +
                          module.Names().Choices());
    Status set = project.SetEffectId(*id);
    if (!set.ok()) return set;
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
  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::string_view arg : args)
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  Options options;
  if (std::string problem = Parse(args, &options); !problem.empty()) return Usage(problem);

  Result<std::unique_ptr<EffectModule>> module =
      EffectModule::Load(options.module.empty() ? EffectModule::DefaultPath() : options.module);
  if (!module.ok()) return Fail(module.message());
  Result<ProjectParameters> project = ProjectParameters::Create(*module.value());
  if (!project.ok()) return Fail(project.message());
  if (Status prepared = Prepare(options, *module.value(), project.value()); !prepared.ok())
    return Fail(prepared.message());

  CComPtr<IUnknown> effect;
  project.value().Interface()->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&effect));
  Result<Frame> picture = PageScreenshot(*module.value(), effect);
  if (!picture.ok()) return Fail(picture.message());
  if (Status written = WritePngFile(options.screenshot, picture.value(), PngChannels::Rgb);
      !written.ok())
    return Fail(written.message());
  return 0;
}
