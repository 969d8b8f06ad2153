// zrq-render: the distortion effects from the command line.
#include "host/AtomicOutputFile.h"
#include "host/CommandLine.h"
#include "host/EffectModule.h"
#include "host/MessageText.h"
#include "host/RenderJobs.h"
#include "host/common/ToolCommandLine.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

Status Render(const RenderOptions &options, const EffectModule &module) {
  Result<RenderPlan> plan = PrepareRun(options, module, stdout, stderr);
  ZRQ_RETURN_IF_FAILED(plan);
  switch (options.mode) {
  case RunMode::Picture:
    return RunPictureJob(options, plan.value(), stdout);
  case RunMode::RawStream:
    return RunRawStreamJob(options, plan.value(), stdout);
  case RunMode::Video:
    return RunVideoJob(options, plan.value());
  case RunMode::NoPicture:
  case RunMode::Demo:
  case RunMode::Help:
  case RunMode::Version:
    break;
  }
  return Status::Ok();
}

Status Run(const RenderOptions &options, const EffectModule &module) {
  switch (options.mode) {
  case RunMode::Picture:
  case RunMode::RawStream:
  case RunMode::Video:
  case RunMode::NoPicture:
    return Render(options, module);
  case RunMode::Demo:
    return RunDemoJob(options, module, stdout);
  case RunMode::Help:
  case RunMode::Version:
    break;
  }
  return Status::Fail("unknown run mode");
}

// Loads the module, reads --effect with its names and runs. The module outlives everything
// made of it: it is unloaded only after the run's effects are gone.
int LoadAndRun(RenderOptions &options) {
  Result<std::unique_ptr<EffectModule>> module =
      EffectModule::Open(options.modulePath, EffectModule::DefaultPath());
  if (!module.ok()) return ReportFailure(kRenderTool, module.message());
  if (!module.value()->Warning().empty())
    std::fprintf(stderr, "zrq-render: warning: %s\n", Printable(module.value()->Warning()).c_str());
  if (options.verbose)
    std::fprintf(stderr, "zrq-render: effect module %s, %s\n",
                 Quoted(module.value()->Path()).c_str(),
                 Printable(module.value()->HowFound()).c_str());
  if (Status resolved = ResolveEffect(options, module.value()->Names()); !resolved.ok())
    return ReportUsage(kRenderTool, resolved.message());
  Status status = Run(options, *module.value());
  if (!status.ok()) return ReportFailure(kRenderTool, status.message());
  return kExitDone;
}

} // namespace

int main(int argc, char **argv) {
  // A reader that goes away (`| head`) shows up as EPIPE on the write, which is reported like
  // any other write failure instead of killing the process mid-frame.
  std::signal(SIGPIPE, SIG_IGN);
  InstallInterruptCleanup();

  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  Result<RenderOptions> parsed = ParseCommandLine(arguments);
  if (!parsed.ok()) return ReportUsage(kRenderTool, parsed.message());
  RenderOptions &options = parsed.value();
  switch (options.mode) {
  case RunMode::Help:
    std::fputs(UsageText().c_str(), stdout);
    return kExitDone;
  case RunMode::Version:
    std::puts(VersionLine().c_str());
    return kExitDone;
  case RunMode::Picture:
  case RunMode::Video:
  case RunMode::NoPicture:
  case RunMode::Demo:
    break;
  case RunMode::RawStream:
    // Raw frames are binary: refuse to wait on a keyboard or to spray a terminal.
    if (options.input.empty() && isatty(STDIN_FILENO))
      return ReportUsage(kRenderTool, "--raw: standard input is a terminal; pipe frames in or "
                                      "give --input FILE");
    if (options.output.empty() && isatty(STDOUT_FILENO))
      return ReportUsage(kRenderTool, "--raw: standard output is a terminal; pipe it on or give "
                                      "--output FILE");
    break;
  }

  try {
    return LoadAndRun(options);
  } catch (const std::bad_alloc &) {
    return ReportFailure(kRenderTool, "out of memory");
  } catch (const std::exception &error) {
    return ReportFailure(kRenderTool, error.what());
  }
}
