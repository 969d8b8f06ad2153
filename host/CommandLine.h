// The command line of zrq-render: what to render, from where, to where.
#pragma once

#include "host/ArgumentValues.h"
#include "host/EffectNames.h"
#include "host/Frame.h"
#include "host/FrameRenderer.h"
#include "host/Status.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class RunMode {
  Picture,   // one picture (a PNG or the test card) to one PNG or a numbered PNG sequence
  RawStream, // raw BGRA frames in, raw BGRA frames out, until the input ends
  Video,     // a video file in, a video file out, its other streams copied
  Demo,      // every effect at a few values, plus a contact sheet
  NoPicture, // nothing rendered: only --curve and/or --save-params
  Help,
  Version,
};

inline constexpr int kDefaultCurveSamples = 11;

// The name the tool's messages and --help go by.
inline constexpr const char *kRenderTool = "zrq-render";

struct RenderOptions {
  RunMode mode = RunMode::Picture;
  // --effect as written; the names are the module's, so ResolveEffect reads it once the
  // module is loaded.
  std::optional<std::string> effectName;
  // --effect; without it the project's "Effect ID" (Replicate, 2002, for a new one).
  std::optional<LONG> effectId;
  // --path: which of the effect's render paths makes the frames that are written.
  RenderPath path = RenderPath::Software;
  // --compare: every frame on the other path too, and how far the two lie apart.
  bool compare = false;
  // --caps: whether the device path's device reports shaders (the wave and colour shifts then
  // run them) or not (they take their fallbacks).
  DeviceCaps caps = DeviceCaps::Shaders;
  // --module: the effect module to load; empty: the one beside the program.
  std::string modulePath;
  // Key frames of "Effect Value" (--key, or --value, --from and --to turned into key frames).
  // Non-empty, they replace the project's start-offset key frames; empty, the project's
  // stand, and a new project holds the parameter's own value (50) from time 0.
  std::vector<KeyFrameArgument> keys;
  // Frame i of N is rendered at normalised time i / (N - 1); without N (or with N = 1) every
  // frame is rendered at `time`.
  std::optional<int64_t> frames;
  double time = 0.0;
  std::optional<int> curveSamples; // --curve: print the curve at this many times
  std::string paramsFile;          // --params: the project document to start from
  std::string saveParamsFile;      // --save-params: where to write the parameters used
  std::string input;               // empty: the test card (picture, demo) or standard input (raw)
  std::string output; // empty: standard output (raw), or no file (a picture with --compare)
  FrameSize cardSize{1280, 720};
  FrameSize rawSize;
  // Video: the part rendered, in seconds from the clip's first frame (without --duration, to
  // its end), and how the video is encoded (see ChooseVideoEncoding).
  std::optional<double> startSeconds;
  std::optional<double> durationSeconds;
  std::string videoCodec;
  std::optional<int> crf;
  bool lossless = false;
  bool quiet = false;
  bool verbose = false;
  // Told after each frame how far the run has got (0..1), for a host that shows its own
  // progress; the command line never sets it.
  std::function<void(double)> progress;
  std::string demoFolder;
};

// Reads the arguments after the program name. A failure is a usage error whose message is
// one line naming the flag at fault (ReportUsage prints it).
Result<RenderOptions> ParseCommandLine(const std::vector<std::string_view> &arguments);

// Sets effectId from effectName with the module's names; an unknown name is a usage error.
Status ResolveEffect(RenderOptions &options, const EffectNames &names);

// The --help text, made from the declarations of the flags.
std::string UsageText();

// What --version prints.
std::string VersionLine();
