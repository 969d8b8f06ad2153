#include "host/CommandLine.h"

#include "host/ArgumentValues.h"
#include "host/OutputPattern.h"

#include <array>
#include <initializer_list>
#include <map>

namespace {

struct FlagSpec {
  std::string_view name;
  std::string_view shortName;
  bool takesValue;
};

constexpr std::array<FlagSpec, 13> kFlags = {{
    {"--effect", "-e", true},
    {"--value", "", true},
    {"--input", "-i", true},
    {"--output", "-o", true},
    {"--size", "", true},
    {"--raw", "", true},
    {"--frames", "", true},
    {"--from", "", true},
    {"--to", "", true},
    {"--demo", "", true},
    {"--quiet", "-q", false},
    {"--help", "-h", false},
    {"--version", "", false},
}};

const FlagSpec *FindFlag(std::string_view written) {
  for (const FlagSpec &flag : kFlags)
    if (written == flag.name || (!flag.shortName.empty() && written == flag.shortName))
      return &flag;
  return nullptr;
}

using Given = std::map<std::string_view, std::string_view>;

Error Usage(std::string message) { return Error{std::move(message)}; }

// Flags that mean nothing in `mode`; the first one present is refused.
std::optional<Error> Refuse(const Given &given, std::string_view mode,
                            std::initializer_list<std::string_view> flags) {
  for (std::string_view flag : flags)
    if (given.count(flag))
      return Usage(std::string(flag) + " cannot be used with " + std::string(mode));
  return std::nullopt;
}

} // namespace

Result<RenderOptions> ParseCommandLine(const std::vector<std::string_view> &arguments) {
  RenderOptions options;
  // Asking for help is never a mistake, whatever else is on the line.
  for (std::string_view argument : arguments)
    if (argument == "--help" || argument == "-h") {
      options.mode = RunMode::Help;
      return options;
    }
  Given given;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    std::string_view written = argument;
    std::optional<std::string_view> attached;
    if (argument.starts_with("--")) {
      if (size_t equals = argument.find('='); equals != std::string_view::npos) {
        written = argument.substr(0, equals);
        attached = argument.substr(equals + 1);
      }
    } else if (!argument.starts_with("-") || argument == "-") {
      return Usage("unexpected argument '" + std::string(argument) +
                   "' (options start with --; see --help)");
    }
    const FlagSpec *flag = FindFlag(written);
    if (!flag)
      return Usage("unknown option '" + std::string(written) + "' (see --help)");
    std::string_view name = flag->name;
    if (given.count(name))
      return Usage(std::string(name) + " is given more than once");
    std::string_view value;
    if (flag->takesValue) {
      if (attached) {
        value = *attached;
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return Usage(std::string(name) + " needs a value (see --help)");
      }
    } else if (attached) {
      return Usage(std::string(name) + " takes no value");
    }
    given[name] = value;
  }

  auto has = [&](std::string_view name) { return given.count(name) != 0; };

  if (has("--version")) {
    options.mode = RunMode::Version;
    return options;
  }
  options.quiet = has("--quiet");
  if (has("--input")) {
    options.input = std::string(given["--input"]);
    if (options.input.empty())
      return Usage("--input needs a file name");
  }
  if (has("--output")) {
    options.output = std::string(given["--output"]);
    if (options.output.empty())
      return Usage("--output needs a file name");
  }
  if (has("--effect")) {
    std::optional<LONG> id = FindEffect(given["--effect"]);
    if (!id)
      return Usage("--effect: unknown effect '" + std::string(given["--effect"]) +
                   "'; choose one of " + EffectChoices());
    options.effectId = *id;
  }
  if (has("--value")) {
    Result<double> value = ParsePercent("--value", given["--value"]);
    if (!value.ok())
      return Usage(value.message());
    options.value = value.value();
  }
  if (has("--size")) {
    Result<FrameSize> size = ParseFrameSize("--size", given["--size"]);
    if (!size.ok())
      return Usage(size.message());
    options.cardSize = size.value();
  }

  if (has("--demo")) {
    options.mode = RunMode::Demo;
    options.demoFolder = std::string(given["--demo"]);
    if (options.demoFolder.empty())
      return Usage("--demo needs a folder");
    if (auto refused = Refuse(given, "--demo",
                              {"--effect", "--value", "--output", "--raw", "--frames", "--from",
                               "--to"}))
      return *refused;
    if (has("--size") && has("--input"))
      return Usage("--size sets the test card's size and cannot be used with --input");
    return options;
  }

  if (has("--frames")) {
    Result<int64_t> frames = ParseFrameCount("--frames", given["--frames"]);
    if (!frames.ok())
      return Usage(frames.message());
    options.frames = frames.value();
    if (has("--value") && has("--from") && has("--to"))
      return Usage("--value has no effect when both --from and --to are given");
    options.from = options.value;
    if (has("--from")) {
      Result<double> from = ParsePercent("--from", given["--from"]);
      if (!from.ok())
        return Usage(from.message());
      options.from = from.value();
    }
    options.to = options.from;
    if (has("--to")) {
      Result<double> to = ParsePercent("--to", given["--to"]);
      if (!to.ok())
        return Usage(to.message());
      options.to = to.value();
    }
  } else if (auto refused = Refuse(given, "a single value; add --frames N for a ramp",
                                   {"--from", "--to"})) {
    return *refused;
  }

  if (has("--raw")) {
    options.mode = RunMode::RawStream;
    Result<FrameSize> size = ParseFrameSize("--raw", given["--raw"]);
    if (!size.ok())
      return Usage(size.message());
    options.rawSize = size.value();
    if (has("--size"))
      return Usage("--size sets the test card's size and cannot be used with --raw");
    if (options.input == "-")
      options.input.clear();
    if (options.output == "-")
      options.output.clear();
    return options;
  }

  options.mode = RunMode::Picture;
  if (options.input == "-" || options.output == "-")
    return Usage("standard input and output carry raw frames only; add --raw WxH or name a "
                 "PNG file");
  if (has("--size") && has("--input"))
    return Usage("--size sets the test card's size and cannot be used with --input");
  if (options.output.empty())
    return Usage("--output is missing: say which PNG file to write");
  Result<OutputPattern> pattern = OutputPattern::Parse(options.output);
  if (!pattern.ok())
    return Usage("--output: " + pattern.message());
  if (options.frames.value_or(1) > 1 && !pattern.value().HasNumber())
    return Usage("--output: " + std::to_string(*options.frames) +
                 " frames need a numbered file name such as out_%04d.png");
  return options;
}

std::string UsageText() {
  return R"(usage: zrq-render [options]

Applies one of the ten distortion effects to a picture or to a stream of raw video frames.

What to render
  --effect NAME|ID   the effect, by name (any case; '-' may stand for a space) or by
                     identifier; default Replicate (2002). The effects:
                       2001 Wave                  2006 Mirror from Right
                       2002 Replicate             2007 Color Shift Horizontal
                       2003 Mirror from Top       2008 Color Shift Vertical
                       2004 Mirror from Bottom    2009 Color Shift Diagonal
                       2005 Mirror from Left      2010 Panel Rotate
  --value V          effect value in percent, 0 to 100 (a real number); default 50
  --frames N         render N frames with the value running in a straight line...
  --from V0          ...from V0 at the first frame (default: --value)...
  --to V1            ...to V1 at the last frame (default: V0)

Pictures (PNG)
  --input FILE.png   the picture to distort; default: the built-in test card
  --size WxH         size of the test card; default 1280x720
  --output FILE.png  where to write; with --frames N > 1 a numbered name such as
                     out_%04d.png (frames are numbered from 0; %% is a percent sign).
                     A picture with transparency is written with it (RGBA), others as RGB.

Raw video frames
  --raw WxH          read frames of W x H pixels, 4 bytes a pixel in B, G, R, A order, top
                     row first (ffmpeg: -f rawvideo -pix_fmt bgra), until the input ends,
                     and write them in the same form
  --input FILE       read the frames from FILE; default (or -): standard input
  --output FILE      write the frames to FILE; default (or -): standard output
                     With --frames N exactly N frames are read and written.

Other
  --demo FOLDER      render every effect from the test card (or --input) at values 25, 50
                     and 100 into FOLDER, with a contact sheet of them all
  --quiet, -q        no progress display (shown on a terminal for runs of several frames)
  --help, -h         this text
  --version          the version

Files are written under a temporary name and renamed when complete, so a failed run leaves
no partial file. Exit status: 0 done, 1 failed while working (the reason is printed),
2 bad usage.

Examples
  zrq-render --effect wave --value 40 --output wave.png
  zrq-render --input photo.png --effect "Mirror from Left" --value 100 --output mirrored.png
  zrq-render --effect 2010 --frames 50 --from 0 --to 100 --output spin_%04d.png
  ffmpeg -i in.mp4 -f rawvideo -pix_fmt bgra - |
    zrq-render --raw 1920x1080 --effect wave --value 40 |
    ffmpeg -f rawvideo -pix_fmt bgra -s 1920x1080 -r 25 -i - out.mp4
  zrq-render --demo out/demo
)";
}
