#include "host/CommandLine.h"

#include "host/ArgumentValues.h"
#include "host/MessageText.h"
#include "host/OutputPattern.h"
#include "host/OutputTarget.h"
#include "host/VideoFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <numeric>

namespace {

enum class FlagValue {
  None,
  Required,
  Optional, // taken from "--flag=V", or from the next argument when that is not an option
};

struct FlagSpec {
  std::string_view name;
  std::string_view shortName;
  FlagValue value;
  bool repeatable;
};

constexpr std::array<FlagSpec, 28> kFlags = {{
    {"--effect", "-e", FlagValue::Required, false},
    {"--path", "", FlagValue::Required, false},
    {"--compare", "", FlagValue::None, false},
    {"--caps", "", FlagValue::Required, false},
    {"--module", "", FlagValue::Required, false},
    {"--value", "", FlagValue::Required, false},
    {"--key", "-k", FlagValue::Required, true},
    {"--time", "", FlagValue::Required, false},
    {"--curve", "", FlagValue::Optional, false},
    {"--params", "", FlagValue::Required, false},
    {"--save-params", "", FlagValue::Required, false},
    {"--input", "-i", FlagValue::Required, false},
    {"--output", "-o", FlagValue::Required, false},
    {"--size", "", FlagValue::Required, false},
    {"--raw", "", FlagValue::Required, false},
    {"--frames", "", FlagValue::Required, false},
    {"--from", "", FlagValue::Required, false},
    {"--to", "", FlagValue::Required, false},
    {"--start", "", FlagValue::Required, false},
    {"--duration", "", FlagValue::Required, false},
    {"--codec", "", FlagValue::Required, false},
    {"--crf", "", FlagValue::Required, false},
    {"--lossless", "", FlagValue::None, false},
    {"--demo", "", FlagValue::Required, false},
    {"--quiet", "-q", FlagValue::None, false},
    {"--verbose", "-v", FlagValue::None, false},
    {"--help", "-h", FlagValue::None, false},
    {"--version", "", FlagValue::None, false},
}};

const FlagSpec *FindFlag(std::string_view written) {
  for (const FlagSpec &flag : kFlags)
    if (written == flag.name || (!flag.shortName.empty() && written == flag.shortName))
      return &flag;
  return nullptr;
}

// Every value given for each flag, in order (one entry per use; "" when none was given).
using Given = std::map<std::string_view, std::vector<std::string_view>>;

Error Usage(std::string message) { return Error{std::move(message)}; }

// Flags that mean nothing in `mode`; the first one present is refused.
std::optional<Error> Refuse(const Given &given, std::string_view mode,
                            std::initializer_list<std::string_view> flags) {
  for (std::string_view flag : flags)
    if (given.count(flag))
      return Usage(std::string(flag) + " cannot be used with " + std::string(mode));
  return std::nullopt;
}

bool LooksLikeOption(std::string_view argument) {
  return argument.starts_with("-") && argument != "-";
}

Result<Given> Tokenize(const std::vector<std::string_view> &arguments) {
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
    } else if (!LooksLikeOption(argument)) {
      return Usage("unexpected argument " + Quoted(argument) +
                   " (options start with --; see --help)");
    }
    const FlagSpec *flag = FindFlag(written);
    if (!flag) return Usage("unknown option " + Quoted(written) + " (see --help)");
    std::string_view name = flag->name;
    if (given.count(name) && !flag->repeatable)
      return Usage(std::string(name) + " is given more than once");
    std::string_view value;
    switch (flag->value) {
    case FlagValue::Required:
      if (attached)
        value = *attached;
      else if (i + 1 < arguments.size())
        value = arguments[++i];
      else
        return Usage(std::string(name) + " needs a value (see --help)");
      break;
    case FlagValue::Optional:
      if (attached)
        value = *attached;
      else if (i + 1 < arguments.size() && !LooksLikeOption(arguments[i + 1]))
        value = arguments[++i];
      break;
    case FlagValue::None:
      if (attached) return Usage(std::string(name) + " takes no value");
      break;
    }
    given[name].push_back(value);
  }
  return given;
}

// --key, or --value, --from and --to, as key frames of "Effect Value" (empty: none given).
Result<std::vector<KeyFrameArgument>> KeyFramesOf(const Given &given) {
  auto has = [&](std::string_view name) { return given.count(name) != 0; };
  auto first = [&](std::string_view name) { return given.at(name).front(); };
  std::vector<KeyFrameArgument> keys;
  if (has("--key")) {
    if (auto refused = Refuse(given, "--key (write the key frames as --key T=V)",
                              {"--value", "--from", "--to"}))
      return *refused;
    const std::vector<std::string_view> &texts = given.at("--key");
    for (std::string_view text : texts) {
      Result<KeyFrameArgument> key = ParseKeyFrame("--key", text);
      if (!key.ok()) return Usage(key.message());
      keys.push_back(key.value());
    }
    // Two at one time: sorted by time (and by place among equal times), the earliest place
    // that repeats a time is the one the user wrote second.
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keys[a].time < keys[b].time; });
    std::optional<size_t> repeated;
    for (size_t i = 1; i < order.size(); ++i)
      if (keys[order[i]].time == keys[order[i - 1]].time && (!repeated || order[i] < *repeated))
        repeated = order[i];
    if (repeated) {
      std::string_view text = texts[*repeated];
      return Usage("--key: two key frames at time " + Printable(text.substr(0, text.find('='))));
    }
    return keys;
  }
  std::optional<double> value;
  if (has("--value")) {
    Result<double> parsed = ParsePercent("--value", first("--value"));
    if (!parsed.ok()) return Usage(parsed.message());
    value = parsed.value();
  }
  if (!has("--from") && !has("--to")) {
    if (value) keys.push_back({0.0, *value});
    return keys;
  }
  if (value && has("--from") && has("--to"))
    return Usage("--value has no effect when both --from and --to are given");
  // A ramp: --from at time 0 (default --value, else the parameter's default 50), --to at
  // time 1 (default --from).
  double from = value.value_or(50.0);
  if (has("--from")) {
    Result<double> parsed = ParsePercent("--from", first("--from"));
    if (!parsed.ok()) return Usage(parsed.message());
    from = parsed.value();
  }
  double to = from;
  if (has("--to")) {
    Result<double> parsed = ParsePercent("--to", first("--to"));
    if (!parsed.ok()) return Usage(parsed.message());
    to = parsed.value();
  }
  keys.push_back({0.0, from});
  keys.push_back({1.0, to});
  return keys;
}

Error SameFileUsage(const std::string &file) {
  return Usage("--save-params and --output both name " + Quoted(file) +
               "; the frames would overwrite the project (or the project the frames)");
}

Result<RenderPath> ParsePath(std::string_view text) {
  for (RenderPath path : {RenderPath::Software, RenderPath::Device})
    if (text == RenderPathName(path)) return path;
  return Error{"--path: " + Quoted(text) + " is not a render path; choose software or device"};
}

// The flags that only a video file takes.
const std::initializer_list<std::string_view> kVideoFlags = {"--start", "--duration", "--codec",
                                                             "--crf", "--lossless"};

// Seconds into a clip: a finite number, not negative ("12", "2.5").
Result<double> ParseSeconds(std::string_view flag, std::string_view text) {
  double seconds = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
      seconds < 0)
    return Usage(std::string(flag) + ": " + Quoted(text) +
                 " is not a time in seconds (a number such as 12 or 2.5)");
  return seconds;
}

// What only video files take, read into `options`; the run mode is the caller's.
std::optional<Error> ReadVideoFlags(const Given &given, RenderOptions &options) {
  auto has = [&](std::string_view name) { return given.count(name) != 0; };
  auto valueOf = [&](std::string_view name) { return given.at(name).front(); };
  if (options.input.empty())
    return Usage("--output " + Quoted(options.output) +
                 " writes a video: give --input with the clip to render");
  if (!IsVideoOutputName(options.output))
    return Usage("--input " + Quoted(options.input) +
                 " is a video; --output must name a video "
                 "file (" +
                 std::string(VideoOutputExtensions()) + ")");
  if (auto refused = Refuse(given, "a video (its frames' times come from the clip)",
                            {"--size", "--frames", "--time", "--compare"}))
    return refused;
  if (SameOutput(options.input, options.output))
    return Usage("--input and --output name the same file; write the video to a new one");
  if (!options.saveParamsFile.empty() && SameOutput(options.saveParamsFile, options.output))
    return SameFileUsage(options.saveParamsFile);
  if (has("--start")) {
    Result<double> start = ParseSeconds("--start", valueOf("--start"));
    if (!start.ok()) return Usage(start.message());
    options.startSeconds = start.value();
  }
  if (has("--duration")) {
    Result<double> duration = ParseSeconds("--duration", valueOf("--duration"));
    if (!duration.ok()) return Usage(duration.message());
    if (duration.value() <= 0)
      return Usage("--duration: the part rendered must last longer than 0 seconds");
    options.durationSeconds = duration.value();
  }
  options.lossless = has("--lossless");
  if (options.lossless) {
    if (auto refused = Refuse(given, "--lossless (it chooses FFV1)", {"--codec", "--crf"}))
      return refused;
  }
  if (has("--codec")) {
    options.videoCodec = std::string(valueOf("--codec"));
    if (options.videoCodec.empty())
      return Usage("--codec needs an encoder name such as libx264 or ffv1");
  }
  if (has("--crf")) {
    std::string_view text = valueOf("--crf");
    int crf = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), crf);
    if (error != std::errc() || end != text.data() + text.size() || crf < 0 || crf > 63)
      return Usage("--crf: " + Quoted(text) + " is not a quality from 0 (best) to 63");
    options.crf = crf;
  }
  return std::nullopt;
}

} // namespace

Result<RenderOptions> ParseCommandLine(const std::vector<std::string_view> &arguments) {
  RenderOptions options;
  // Asking for help or the version is never a mistake, whatever else is on the line (the
  // same flag twice included); help wins.
  auto asked = [&](std::initializer_list<std::string_view> flags) {
    return std::any_of(arguments.begin(), arguments.end(), [&](std::string_view argument) {
      return std::find(flags.begin(), flags.end(), argument) != flags.end();
    });
  };
  if (asked({"--help", "-h"}) || asked({"--version"})) {
    options.mode = asked({"--help", "-h"}) ? RunMode::Help : RunMode::Version;
    return options;
  }
  Result<Given> tokens = Tokenize(arguments);
  if (!tokens.ok()) return Error{tokens.message()};
  const Given &given = tokens.value();
  auto has = [&](std::string_view name) { return given.count(name) != 0; };
  auto valueOf = [&](std::string_view name) { return given.at(name).front(); };

  options.quiet = has("--quiet");
  options.verbose = has("--verbose");
  if (has("--input")) {
    options.input = std::string(valueOf("--input"));
    if (options.input.empty()) return Usage("--input needs a file name");
  }
  if (has("--output")) {
    options.output = std::string(valueOf("--output"));
    if (options.output.empty()) return Usage("--output needs a file name");
  }
  if (has("--effect")) options.effectName = std::string(valueOf("--effect"));
  if (has("--module")) {
    options.modulePath = std::string(valueOf("--module"));
    if (options.modulePath.empty()) return Usage("--module needs a file name");
  }
  if (has("--path")) {
    Result<RenderPath> path = ParsePath(valueOf("--path"));
    if (!path.ok()) return Usage(path.message());
    options.path = path.value();
  }
  options.compare = has("--compare");
  if (has("--caps")) {
    std::string_view caps = valueOf("--caps");
    if (caps != "none" && caps != "shaders")
      return Usage("--caps: " + Quoted(caps) +
                   " is not a device capability; choose none or shaders");
    options.caps = caps == "none" ? DeviceCaps::None : DeviceCaps::Shaders;
  }
  if (has("--size")) {
    Result<FrameSize> size = ParseFrameSize("--size", valueOf("--size"));
    if (!size.ok()) return Usage(size.message());
    options.cardSize = size.value();
  }

  if (has("--demo")) {
    options.mode = RunMode::Demo;
    options.demoFolder = std::string(valueOf("--demo"));
    if (options.demoFolder.empty()) return Usage("--demo needs a folder");
    // The demo renders every effect on both paths itself.
    if (auto refused = Refuse(given, "--demo",
                              {"--effect", "--value",       "--key",    "--time",    "--curve",
                               "--params", "--save-params", "--output", "--raw",     "--frames",
                               "--from",   "--to",          "--path",   "--compare", "--caps",
                               "--start",  "--duration",    "--codec",  "--crf",     "--lossless"}))
      return *refused;
    if (has("--size") && has("--input"))
      return Usage("--size sets the test card's size and cannot be used with --input");
    return options;
  }

  Result<std::vector<KeyFrameArgument>> keys = KeyFramesOf(given);
  if (!keys.ok()) return Error{keys.message()};
  options.keys = std::move(keys.value());
  if (has("--params")) {
    options.paramsFile = std::string(valueOf("--params"));
    if (options.paramsFile.empty()) return Usage("--params needs a file name");
  }
  if (has("--save-params")) {
    options.saveParamsFile = std::string(valueOf("--save-params"));
    if (options.saveParamsFile.empty()) return Usage("--save-params needs a file name");
  }
  if (has("--curve")) {
    options.curveSamples = kDefaultCurveSamples;
    if (!valueOf("--curve").empty()) {
      Result<int> samples = ParseSampleCount("--curve", valueOf("--curve"));
      if (!samples.ok()) return Usage(samples.message());
      options.curveSamples = samples.value();
    }
  }
  if (has("--frames")) {
    Result<int64_t> frames = ParseFrameCount("--frames", valueOf("--frames"));
    if (!frames.ok()) return Usage(frames.message());
    options.frames = frames.value();
  }
  if (has("--time")) {
    Result<double> time = ParseTime("--time", valueOf("--time"));
    if (!time.ok()) return Usage(time.message());
    options.time = time.value();
    if (options.frames.value_or(1) > 1)
      return Usage("--time is the time of a single frame; --frames N spreads its frames "
                   "over times 0 to 1");
  }

  if (has("--raw")) {
    if (auto refused = Refuse(given, "--raw (raw frames have no clip times or codec)", kVideoFlags))
      return *refused;
    options.mode = RunMode::RawStream;
    Result<FrameSize> size = ParseFrameSize("--raw", valueOf("--raw"));
    if (!size.ok()) return Usage(size.message());
    options.rawSize = size.value();
    if (has("--size"))
      return Usage("--size sets the test card's size and cannot be used with --raw");
    if (options.input == "-") options.input.clear();
    if (options.output == "-") options.output.clear();
    for (std::string_view flag : {"--curve", "--compare"})
      if (has(flag) && options.output.empty())
        return Usage(std::string(flag) + " prints on standard output, which carries the frames "
                                         "here; give --output FILE");
    if (!options.saveParamsFile.empty() &&
        SameOutput(options.saveParamsFile, options.output.empty() ? "/dev/stdout" : options.output))
      return SameFileUsage(options.saveParamsFile);
    return options;
  }

  if (IsVideoOutputName(options.output) ||
      (!options.input.empty() && IsVideoInputName(options.input))) {
    if (options.output.empty())
      return Usage("--output is missing: say which video file to write (" +
                   std::string(VideoOutputExtensions()) + ")");
    if (auto refused = ReadVideoFlags(given, options)) return *refused;
    options.mode = RunMode::Video;
    return options;
  }
  if (auto refused = Refuse(given, "pictures (it is for video files)", kVideoFlags))
    return *refused;

  if (options.input == "-" || options.output == "-")
    return Usage("standard input and output carry raw frames only; add --raw WxH or name a "
                 "PNG file");
  if (has("--size") && has("--input"))
    return Usage("--size sets the test card's size and cannot be used with --input");
  // With --compare and no --output the frames are rendered and measured but not written.
  if (options.output.empty() && !options.compare) {
    if (!options.curveSamples && options.saveParamsFile.empty())
      return Usage("--output is missing: say which PNG file to write");
    // Only the curve and the parameter set: flags about pictures would be silently ignored.
    options.mode = RunMode::NoPicture;
    if (auto refused = Refuse(given, "no --output (nothing is rendered)",
                              {"--input", "--size", "--frames", "--time", "--path"}))
      return *refused;
    return options;
  }
  options.mode = RunMode::Picture;
  if (options.output.empty()) return options;
  Result<OutputPattern> pattern = OutputPattern::Parse(options.output);
  if (!pattern.ok()) return Usage("--output: " + pattern.message());
  if (options.frames.value_or(1) > 1 && !pattern.value().HasNumber())
    return Usage("--output: " + std::to_string(*options.frames) +
                 " frames need a numbered file name such as out_%04d.png");
  if (!options.saveParamsFile.empty()) {
    std::optional<int64_t> frame = pattern.value().IndexOf(options.saveParamsFile);
    if (pattern.value().HasNumber() ? frame && *frame < options.frames.value_or(1)
                                    : SameOutput(options.saveParamsFile, options.output))
      return SameFileUsage(options.saveParamsFile);
  }
  return options;
}

Status ResolveEffect(RenderOptions &options, const EffectNames &names) {
  if (!options.effectName) return Status::Ok();
  std::optional<LONG> id = names.Find(*options.effectName);
  if (!id)
    return Status::Fail("--effect: unknown effect " + Quoted(*options.effectName) +
                        "; choose one of " + names.Choices());
  options.effectId = *id;
  return Status::Ok();
}

std::string UsageText() {
  return R"(usage: zrq-render [options]

Applies one of the ten distortion effects to a picture, a video file or a stream of raw
video frames.

What to render
  --effect NAME|ID   the effect, by name (any case; '-' may stand for a space) or by
                     identifier; default Replicate (2002), or the project's. The effects:
                       2001 Wave                  2006 Mirror from Right
                       2002 Replicate             2007 Color Shift Horizontal
                       2003 Mirror from Top       2008 Color Shift Vertical
                       2004 Mirror from Bottom    2009 Color Shift Diagonal
                       2005 Mirror from Left      2010 Panel Rotate

The effect value (percent, 0 to 100) is key-framed over the clip's time, which runs from 0
(start) to 1 (end). A frame's value is the straight line between the key frames around its
time, held before the first and after the last. Default: 50 throughout.
  --key T=V          a key frame: value V at time T (repeat for more: --key 0=0 --key 1=100)
  --value V          a single value for the whole clip (one key frame at time 0)
  --from V0 --to V1  a ramp: key frames V0 at time 0 and V1 at time 1 (--from defaults to
                     --value or 50, --to to V0); not together with --key
  --frames N         render N frames at times 0, 1/(N-1), ..., 1 (N = 1: at --time)
  --time T           the time of a single frame; default 0 (with a raw stream and no
                     --frames, every frame is rendered at T)
  --curve [N]        print the value at N evenly spaced times (default 11): 'straight' as
                     frames render it, and the natural spline through the key frames.
                     Renders nothing unless --output (or --raw with --output FILE) is given

Projects
  --params FILE.xml  start from a parameter set saved by --save-params or by a host: its
                     "Effect ID" and its key frames of "Effect Value". --effect replaces the
                     effect; --key, --value, --from/--to replace its key frames
  --save-params FILE.xml
                     write the parameter set used (after those overrides), so the run can
                     be repeated with --params; without --output nothing is rendered

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

Video files
  --input CLIP       any video FFmpeg decodes (.mp4, .mkv, .mov, .webm, ...); its best
                     video stream is rendered, its audio and subtitles copied unchanged,
                     its frame rate, size, aspect and colour metadata kept
  --output FILE      .mp4 or .mkv: H.264 (libx264) at CRF 18; .mov: ProRes 422 HQ;
                     .avi: FFV1, lossless
  --lossless         FFV1 in B, G, R, A, so the effect's frames come back exactly (.mkv, .avi)
  --codec NAME       another encoder of FFmpeg's ('ffmpeg -encoders' lists them)
  --crf N            the encoder's constant quality, 0 (best) to 63 (libx264: 0 to 51)
  --start SECONDS    render from this time in the clip (default: its start)
  --duration SECONDS render this long (default: to the end)
                     Only the part rendered is written, its time stamps moved to start
                     at 0 (unchanged without --start); the rest of the clip is left out.
                     A frame's time for the key frames is its presentation time over the
                     length of that part: 0 at its start, 1 at its end, whatever the frame
                     rate (variable frame rates included).

The effect module
  --path software|device
                     how the module renders: 'software' (default) computes each frame on
                     pixel memory; 'device' draws it with the software Direct3D 9 device,
                     where the effect leaves the picture the output is transparent black
  --caps shaders|none
                     what the device path's device reports: 'shaders' (default) vertex
                     shader 1.1 and pixel shader 2.0, so that Wave and the colour shifts run
                     their shaders; 'none' no shaders, so that they take their fallbacks
  --compare          render every frame on both paths and print, per frame, how many pixels
                     differ and the largest difference of a channel, then a summary; the
                     frames written are those of --path. Without --output nothing is
                     written; with --raw it needs --output FILE
  --module FILE.so   the effect module to load; default: the module registered for the
                     effect's class (see zrq-regsvr), else ZRQDistortion2D9.so beside this
                     program

Other
  --demo FOLDER      render every effect from the test card (or --input) at values 25, 50
                     and 100 into FOLDER, with a contact sheet of them all and a second one
                     with the device path beside the software path
  --quiet, -q        no progress display (shown on a terminal for runs of several frames;
                     for a video with frames per second and the time left)
  --verbose, -v      say which effect module was loaded and how it was found
  --help, -h         this text
  --version          the version

A file is written under a temporary name beside it and renamed over it when complete (a
symbolic link is followed to the file it names), so a failed run leaves no partial file; a
file replaced keeps its permissions. A device, a FIFO, a socket or /dev/stdout is written
directly. Exit status: 0 done, 1 failed while working (the reason is printed), 2 bad usage.

Examples
  zrq-render --effect wave --value 40 --output wave.png
  zrq-render --input photo.png --effect "Mirror from Left" --value 100 --output mirrored.png
  zrq-render --effect 2010 --frames 50 --from 0 --to 100 --output spin_%04d.png
  zrq-render --key 0=0 --key 0.5=100 --key 1=0 --curve
  zrq-render --effect wave --key 0.2=0 --key 0.8=60 --frames 25 --output w_%02d.png \
             --save-params wave.xml
  zrq-render --params wave.xml --effect 2007 --frames 25 --output c_%02d.png
  ffmpeg -i in.mp4 -f rawvideo -pix_fmt bgra - |
    zrq-render --raw 1920x1080 --effect wave --value 40 |
    ffmpeg -f rawvideo -pix_fmt bgra -s 1920x1080 -r 25 -i - out.mp4
  zrq-render --input clip.mp4 --effect wave --key 0=0 --key 1=100 --output out.mp4
  zrq-render --input clip.mkv --start 10 --duration 5 --value 60 --output part.mkv --lossless
  zrq-render --path device --effect wave --value 40 --output wave-device.png
  zrq-render --effect wave --frames 5 --from 0 --to 100 --compare
  zrq-render --demo out/demo
)";
}
