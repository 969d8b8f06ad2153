#include "host/zrq-studio/StudioOptions.h"

#include "host/common/ToolCommandLine.h"

std::optional<int> ParseStudioOptions(int argc, char **argv, StudioOptions *options) {
  ToolCommandLine line("zrq-studio",
                       "The distortion effect's property page beside a live preview of the\n"
                       "effect, with a timeline of its key frames.");
  line.App()
      .add_option("FILE", options->file,
                  "a PNG picture or a video clip to preview (default:\n"
                  "the built-in test card)")
      ->type_name(""); // the name says it
  std::optional<std::string> params;
  std::optional<std::string> module;
  std::optional<std::string> script;
  line.AddText("--params", params, "FILE.xml",
               "a project saved by zrq-render --save-params or by\n"
               "the studio: its effect and key frames");
  line.AddText("--module", module, "FILE.so",
               "the module to use (default: the registered one,\n"
               "else ZRQDistortion2D9.so beside zrq-studio)");
  line.AddText("--script", script, "FILE",
               "test mode: run the steps in FILE (clicks, keys,\n"
               "prints, screenshots), then exit");
  if (std::optional<int> status = line.Conclude(line.Parse(argc, argv))) return status;
  options->params = params.value_or("");
  options->module = module.value_or("");
  options->script = script.value_or("");
  return std::nullopt;
}
