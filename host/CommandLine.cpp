#include "host/CommandLine.h"

#include "host/ArgumentValues.h"
#include "host/MessageText.h"
#include "host/OutputPattern.h"
#include "host/OutputTarget.h"
#include "host/VideoFormat.h"
#include "host/common/ToolCommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace {

Error Usage(std::string message) { return Error{std::move(message)}; }

// One flag of the table: what was read from the line, and the declared option, which knows
// whether the flag was given and its name for messages.
template <class T> struct Flag {
  T value{};
  CLI::Option *option = nullptr;
  bool given() const { return Given(option); }
  std::string name() const { return option->get_name(); }
};

// Everything zrq-render may be given.
struct Flags {
  Flag<std::optional<std::string>> effect, module, params, saveParams, input, output, codec, demo;
  Flag<std::optional<RenderPath>> path;
  Flag<std::optional<DeviceCaps>> caps;
  Flag<std::optional<double>> value, from, to, time, start, duration;
  Flag<std::vector<KeyFrameArgument>> key;
  Flag<std::optional<int>> curve, crf;
  Flag<std::optional<int64_t>> frames;
  Flag<std::optional<FrameSize>> size, raw;
  Flag<bool> compare, lossless, quiet, verbose;
};

Result<std::string> ReadFolder(std::string_view flag, std::string_view text) {
  if (text.empty()) return Usage(std::string(flag) + " needs a folder");
  return std::string(text);
}

Result<std::string> ReadEncoder(std::string_view flag, std::string_view text) {
  if (text.empty())
    return Usage(std::string(flag) + " needs an encoder name such as libx264 or ffv1");
  return std::string(text);
}

Result<std::string> ReadText(std::string_view, std::string_view text) { return std::string(text); }

Result<RenderPath> ReadPath(std::string_view flag, std::string_view text) {
  for (RenderPath path : {RenderPath::Software, RenderPath::Device})
    if (text == RenderPathName(path)) return path;
  return Usage(std::string(flag) + ": " + Quoted(text) +
               " is not a render path; choose software or device");
}

Result<DeviceCaps> ReadCaps(std::string_view flag, std::string_view text) {
  if (text == "shaders") return DeviceCaps::Shaders;
  if (text == "none") return DeviceCaps::None;
  return Usage(std::string(flag) + ": " + Quoted(text) +
               " is not a device capability; choose none or shaders");
}

// Seconds into a clip: a finite number, not negative ("12", "2.5").
Result<double> ReadSeconds(std::string_view flag, std::string_view text) {
  double seconds = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) ||
      seconds < 0)
    return Usage(std::string(flag) + ": " + Quoted(text) +
                 " is not a time in seconds (a number such as 12 or 2.5)");
  return seconds;
}

// The part rendered: seconds as ReadSeconds takes them, more than 0.
Result<double> ReadDuration(std::string_view flag, std::string_view text) {
  Result<double> seconds = ReadSeconds(flag, text);
  if (seconds.ok() && seconds.value() <= 0)
    return Usage(std::string(flag) + ": the part rendered must last longer than 0 seconds");
  return seconds;
}

// An encoder's constant quality, 0 (best) to 63.
Result<int> ReadQuality(std::string_view flag, std::string_view text) {
  int crf = -1;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), crf);
  if (error != std::errc() || end != text.data() + text.size() || crf < 0 || crf > 63)
    return Usage(std::string(flag) + ": " + Quoted(text) + " is not a quality from 0 (best) to 63");
  return crf;
}

// The flags that only a video file takes.
std::vector<const CLI::Option *> VideoFlags(const Flags &f) {
  return {f.start.option, f.duration.option, f.codec.option, f.crf.option, f.lossless.option};
}

// The flags, each with its value, reader and help, in the groups --help shows, and what
// cannot go together.
void DeclareFlags(ToolCommandLine &line, Flags &f) {
  line.App().footer(
      R"(The effect value (percent, 0 to 100) is key-framed over the clip's time, which
runs from 0 (start) to 1 (end). A frame's value is the straight line between the
key frames around its time, held before the first and after the last. Default:
50 throughout.

A file is written under a temporary name beside it and renamed over it when
complete (a symbolic link is followed to the file it names), so a failed run
leaves no partial file; a file replaced keeps its permissions. A device, a FIFO,
a socket or /dev/stdout is written directly. Exit status: 0 done, 1 failed while
working (the reason is printed), 2 bad usage.

Examples
  zrq-render --effect wave --value 40 --output wave.png
  zrq-render --input photo.png --effect "Mirror from Left" --value 100 \
             --output mirrored.png
  zrq-render --effect 2010 --frames 50 --from 0 --to 100 --output spin_%04d.png
  zrq-render --key 0=0 --key 0.5=100 --key 1=0 --curve
  zrq-render --effect wave --key 0.2=0 --key 0.8=60 --frames 25 \
             --output w_%02d.png --save-params wave.xml
  zrq-render --params wave.xml --effect 2007 --frames 25 --output c_%02d.png
  ffmpeg -i in.mp4 -f rawvideo -pix_fmt bgra - |
    zrq-render --raw 1920x1080 --effect wave --value 40 |
    ffmpeg -f rawvideo -pix_fmt bgra -s 1920x1080 -r 25 -i - out.mp4
  zrq-render --input clip.mp4 --effect wave --key 0=0 --key 1=100 \
             --output out.mp4
  zrq-render --input clip.mkv --start 10 --duration 5 --value 60 \
             --output part.mkv --lossless
  zrq-render --path device --effect wave --value 40 --output wave-device.png
  zrq-render --effect wave --frames 5 --from 0 --to 100 --compare
  zrq-render --demo out/demo)");

  const auto group = [&](const char *name, CLI::Option *option) { option->group(name); };
  const char *render = "What to render";
  group(render,
        f.effect.option = line.AddValue("-e,--effect", f.effect.value, ReadText, "NAME|ID",
                                        "the effect, by name (any case; '-' may stand for a\n"
                                        "space) or by identifier; default Replicate (2002), or\n"
                                        "the project's:\n"
                                        "  2001 Wave                2006 Mirror from Right\n"
                                        "  2002 Replicate           2007 Color Shift Horizontal\n"
                                        "  2003 Mirror from Top     2008 Color Shift Vertical\n"
                                        "  2004 Mirror from Bottom  2009 Color Shift Diagonal\n"
                                        "  2005 Mirror from Left    2010 Panel Rotate"));
  group(render,
        f.key.option = line.AddRepeated("-k,--key", f.key.value, ParseKeyFrame, "T=V",
                                        "a key frame of the effect value: V percent at time T\n"
                                        "(repeat for more: --key 0=0 --key 1=100)"));
  group(render, f.value.option = line.AddValue("--value", f.value.value, ParsePercent, "V",
                                               "a single value for the whole clip (one key\n"
                                               "frame at time 0)"));
  group(render, f.from.option = line.AddValue("--from", f.from.value, ParsePercent, "V0",
                                              "a ramp: key frames V0 at time 0 and V1 at time\n"
                                              "1 (--from defaults to --value or 50, --to to\n"
                                              "V0); not together with --key"));
  group(render, f.to.option = line.AddValue("--to", f.to.value, ParsePercent, "V1",
                                            "the end of the ramp (see --from)"));
  group(render, f.frames.option = line.AddValue("--frames", f.frames.value, ParseFrameCount, "N",
                                                "render N frames at times 0, 1/(N-1), ..., 1\n"
                                                "(N = 1: at --time)"));
  group(render, f.time.option = line.AddValue("--time", f.time.value, ParseTime, "T",
                                              "the time of a single frame; default 0 (with a\n"
                                              "raw stream and no --frames, every frame is\n"
                                              "rendered at T)"));
  group(render, f.curve.option = line.AddOptionalValue(
                    "--curve", f.curve.value, ParseSampleCount, kDefaultCurveSamples, "[N]",
                    "print the value at N evenly spaced times (default\n"
                    "11): 'straight' as frames render it, and the\n"
                    "natural spline through the key frames. Renders\n"
                    "nothing unless --output (or --raw with --output\n"
                    "FILE) is given"));

  const char *projects = "Projects";
  group(projects,
        f.params.option = line.AddValue("--params", f.params.value, ParseFileName, "FILE.xml",
                                        "start from a parameter set saved by --save-params or\n"
                                        "by a host: its \"Effect ID\" and its key frames of\n"
                                        "\"Effect Value\". --effect replaces the effect; --key,\n"
                                        "--value, --from/--to replace its key frames"));
  group(projects, f.saveParams.option =
                      line.AddValue("--save-params", f.saveParams.value, ParseFileName, "FILE.xml",
                                    "write the parameter set used (after those overrides),\n"
                                    "so the run can be repeated with --params; without\n"
                                    "--output nothing is rendered"));

  const char *files = "What to read and write";
  group(files, f.input.option = line.AddValue("-i,--input", f.input.value, ParseFileName, "FILE",
                                              "a picture (PNG) to distort; default: the built-in\n"
                                              "test card. With --raw: the raw frames; default (or\n"
                                              "-): standard input. A video (any FFmpeg decodes:\n"
                                              ".mp4, .mkv, .mov, .webm, ...): its best video\n"
                                              "stream is rendered, its audio and subtitles copied\n"
                                              "unchanged, its frame rate, size, aspect and colour\n"
                                              "metadata kept"));
  group(files,
        f.output.option = line.AddValue("-o,--output", f.output.value, ParseFileName, "FILE",
                                        "where to write. A PNG; with --frames N > 1 a numbered\n"
                                        "name such as out_%04d.png (frames are numbered from\n"
                                        "0; %% is a percent sign); a picture with transparency\n"
                                        "is written with it (RGBA), others as RGB. With --raw:\n"
                                        "the frames; default (or -): standard output. A video:\n"
                                        ".mp4 or .mkv: H.264 (libx264) at CRF 18; .mov: ProRes\n"
                                        "422 HQ; .avi: FFV1, lossless"));
  group(files, f.size.option = line.AddValue("--size", f.size.value, ParseFrameSize, "WxH",
                                             "size of the test card; default 1280x720"));

  const char *raw = "Raw video frames";
  group(raw, f.raw.option = line.AddValue("--raw", f.raw.value, ParseFrameSize, "WxH",
                                          "read frames of W x H pixels, 4 bytes a pixel in B,\n"
                                          "G, R, A order, top row first (ffmpeg: -f rawvideo\n"
                                          "-pix_fmt bgra), until the input ends, and write\n"
                                          "them in the same form. With --frames N exactly N\n"
                                          "frames are read and written"));

  const char *video = "Video files";
  group(video, f.lossless.option = line.AddFlag("--lossless", f.lossless.value,
                                                "FFV1 in B, G, R, A, so the effect's frames\n"
                                                "come back exactly (.mkv, .avi)"));
  group(video, f.codec.option = line.AddValue("--codec", f.codec.value, ReadEncoder, "NAME",
                                              "another encoder of FFmpeg's ('ffmpeg -encoders'\n"
                                              "lists them)"));
  group(video, f.crf.option = line.AddValue("--crf", f.crf.value, ReadQuality, "N",
                                            "the encoder's constant quality, 0 (best) to 63\n"
                                            "(libx264: 0 to 51)"));
  group(video, f.start.option = line.AddValue("--start", f.start.value, ReadSeconds, "SECONDS",
                                              "render from this time in the clip (default:\n"
                                              "its start)"));
  group(video,
        f.duration.option = line.AddValue("--duration", f.duration.value, ReadDuration, "SECONDS",
                                          "render this long (default: to the end). Only the part\n"
                                          "rendered is written, its time stamps moved to start\n"
                                          "at 0 (unchanged without --start); the rest of the\n"
                                          "clip is left out. A frame's time for the key frames\n"
                                          "is its presentation time over the length of that\n"
                                          "part: 0 at its start, 1 at its end, whatever the\n"
                                          "frame rate (variable frame rates included)"));

  const char *module = "The effect module";
  group(module,
        f.path.option = line.AddValue("--path", f.path.value, ReadPath, "software|device",
                                      "how the module renders: 'software' (default) computes\n"
                                      "each frame on pixel memory; 'device' draws it with the\n"
                                      "software Direct3D 9 device, where the effect leaves the\n"
                                      "picture the output is transparent black"));
  group(module,
        f.caps.option = line.AddValue("--caps", f.caps.value, ReadCaps, "shaders|none",
                                      "what the device path's device reports: 'shaders'\n"
                                      "(default) vertex shader 1.1 and pixel shader 2.0, so\n"
                                      "that Wave and the colour shifts run their shaders;\n"
                                      "'none' no shaders, so that they take their fallbacks"));
  group(module,
        f.compare.option = line.AddFlag("--compare", f.compare.value,
                                        "render every frame on both paths and print, per\n"
                                        "frame, how many pixels differ and the largest\n"
                                        "difference of a channel, then a summary; the frames\n"
                                        "written are those of --path. Without --output nothing\n"
                                        "is written; with --raw it needs --output FILE"));
  group(module,
        f.module.option = line.AddValue("--module", f.module.value, ParseFileName, "FILE.so",
                                        "the effect module to load; default: the module\n"
                                        "registered for the effect's class (see zrq-regsvr),\n"
                                        "else ZRQDistortion2D9.so beside this program"));

  const char *other = "Other";
  group(other,
        f.demo.option = line.AddValue("--demo", f.demo.value, ReadFolder, "FOLDER",
                                      "render every effect from the test card (or --input)\n"
                                      "at values 25, 50 and 100 into FOLDER, with a contact\n"
                                      "sheet of them all and a second one with the device\n"
                                      "path beside the software path"));
  group(other, f.quiet.option = line.AddFlag("-q,--quiet", f.quiet.value,
                                             "no progress display (shown on a terminal for\n"
                                             "runs of several frames; for a video with\n"
                                             "frames per second and the time left)"));
  group(other, f.verbose.option = line.AddFlag("-v,--verbose", f.verbose.value,
                                               "say which effect module was loaded and how it\n"
                                               "was found"));

  // What never goes together. What depends on the run (a video's file name) is checked in
  // ParseCommandLine.
  line.Conflicts(f.key.option, {f.value.option, f.from.option, f.to.option},
                 "write the key frames as --key T=V");
  // The demo renders every effect on both paths itself.
  line.Conflicts(f.demo.option,
                 {f.effect.option,   f.value.option,   f.key.option,        f.time.option,
                  f.curve.option,    f.params.option,  f.saveParams.option, f.output.option,
                  f.raw.option,      f.frames.option,  f.from.option,       f.to.option,
                  f.path.option,     f.compare.option, f.caps.option,       f.start.option,
                  f.duration.option, f.codec.option,   f.crf.option,        f.lossless.option});
  line.Conflicts(f.raw.option, VideoFlags(f), "raw frames have no clip times or codec");
  line.Conflicts(f.lossless.option, {f.codec.option, f.crf.option}, "it chooses FFV1");
}

ToolCommandLine MakeLine() {
  return ToolCommandLine(kRenderTool, "Applies one of the ten distortion effects to a picture, "
                                      "a video file or a\nstream of raw video frames.");
}

// Flags that mean nothing in `mode`; the first one given is refused.
std::optional<Error> Refuse(std::string_view mode, const std::vector<const CLI::Option *> &flags) {
  for (const CLI::Option *flag : flags)
    if (Given(flag)) return Usage(flag->get_name() + " cannot be used with " + std::string(mode));
  return std::nullopt;
}

// --key, or --value, --from and --to, as key frames of "Effect Value" (empty: none given).
Result<std::vector<KeyFrameArgument>> KeyFramesOf(const Flags &f) {
  std::vector<KeyFrameArgument> keys;
  if (f.key.given()) {
    keys = f.key.value;
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
      std::string_view text = f.key.option->results()[*repeated];
      return Usage(f.key.name() + ": two key frames at time " +
                   Printable(text.substr(0, text.find('='))));
    }
    return keys;
  }
  if (!f.from.given() && !f.to.given()) {
    if (f.value.value) keys.push_back({0.0, *f.value.value});
    return keys;
  }
  if (f.value.given() && f.from.given() && f.to.given())
    return Usage(f.value.name() + " has no effect when both " + f.from.name() + " and " +
                 f.to.name() + " are given");
  // A ramp: --from at time 0 (default --value, else the parameter's default 50), --to at
  // time 1 (default --from).
  const double from = f.from.value.value_or(f.value.value.value_or(50.0));
  keys.push_back({0.0, from});
  keys.push_back({1.0, f.to.value.value_or(from)});
  return keys;
}

Error SameFileUsage(const std::string &file) {
  return Usage("--save-params and --output both name " + Quoted(file) +
               "; the frames would overwrite the project (or the project the frames)");
}

// What only video files take, read into `options`; the run mode is the caller's.
std::optional<Error> ReadVideoFlags(const Flags &f, RenderOptions &options) {
  if (options.input.empty())
    return Usage("--output " + Quoted(options.output) +
                 " writes a video: give --input with the clip to render");
  if (!IsVideoOutputName(options.output))
    return Usage("--input " + Quoted(options.input) +
                 " is a video; --output must name a video file (" +
                 std::string(VideoOutputExtensions()) + ")");
  if (auto refused = Refuse("a video (its frames' times come from the clip)",
                            {f.size.option, f.frames.option, f.time.option, f.compare.option}))
    return refused;
  if (SameOutput(options.input, options.output))
    return Usage("--input and --output name the same file; write the video to a new one");
  if (!options.saveParamsFile.empty() && SameOutput(options.saveParamsFile, options.output))
    return SameFileUsage(options.saveParamsFile);
  options.startSeconds = f.start.value;
  options.durationSeconds = f.duration.value;
  options.lossless = f.lossless.value;
  options.videoCodec = f.codec.value.value_or("");
  options.crf = f.crf.value;
  return std::nullopt;
}

} // namespace

Result<RenderOptions> ParseCommandLine(const std::vector<std::string_view> &arguments) {
  RenderOptions options;
  Flags f;
  ToolCommandLine line = MakeLine();
  DeclareFlags(line, f);
  switch (line.Parse(arguments)) {
  case CommandLineOutcome::Help:
    options.mode = RunMode::Help;
    return options;
  case CommandLineOutcome::Version:
    options.mode = RunMode::Version;
    return options;
  case CommandLineOutcome::Usage:
    return Usage(line.UsageMessage());
  case CommandLineOutcome::Run:
    break;
  }

  options.quiet = f.quiet.value;
  options.verbose = f.verbose.value;
  options.input = f.input.value.value_or("");
  options.output = f.output.value.value_or("");
  options.effectName = f.effect.value;
  options.modulePath = f.module.value.value_or("");
  options.path = f.path.value.value_or(RenderPath::Software);
  options.compare = f.compare.value;
  options.caps = f.caps.value.value_or(DeviceCaps::Shaders);
  if (f.size.value) options.cardSize = *f.size.value;

  if (f.demo.value) {
    options.mode = RunMode::Demo;
    options.demoFolder = *f.demo.value;
    if (f.size.given() && f.input.given())
      return Usage("--size sets the test card's size and cannot be used with --input");
    return options;
  }

  Result<std::vector<KeyFrameArgument>> keys = KeyFramesOf(f);
  ZRQ_RETURN_IF_FAILED(keys);
  options.keys = std::move(keys.value());
  options.paramsFile = f.params.value.value_or("");
  options.saveParamsFile = f.saveParams.value.value_or("");
  options.curveSamples = f.curve.value;
  options.frames = f.frames.value;
  if (f.time.value) {
    options.time = *f.time.value;
    if (options.frames.value_or(1) > 1)
      return Usage("--time is the time of a single frame; --frames N spreads its frames "
                   "over times 0 to 1");
  }

  if (f.raw.value) {
    options.mode = RunMode::RawStream;
    options.rawSize = *f.raw.value;
    if (f.size.given())
      return Usage("--size sets the test card's size and cannot be used with --raw");
    if (options.input == "-") options.input.clear();
    if (options.output == "-") options.output.clear();
    for (const CLI::Option *flag : {f.curve.option, f.compare.option})
      if (Given(flag) && options.output.empty())
        return Usage(flag->get_name() + " prints on standard output, which carries the frames "
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
    if (auto refused = ReadVideoFlags(f, options)) return *refused;
    options.mode = RunMode::Video;
    return options;
  }
  if (auto refused = Refuse("pictures (it is for video files)", VideoFlags(f))) return *refused;

  if (options.input == "-" || options.output == "-")
    return Usage("standard input and output carry raw frames only; add --raw WxH or name a "
                 "PNG file");
  if (f.size.given() && f.input.given())
    return Usage("--size sets the test card's size and cannot be used with --input");
  // With --compare and no --output the frames are rendered and measured but not written.
  if (options.output.empty() && !options.compare) {
    if (!options.curveSamples && options.saveParamsFile.empty())
      return Usage("--output is missing: say which PNG file to write");
    // Only the curve and the parameter set: flags about pictures would be silently ignored.
    options.mode = RunMode::NoPicture;
    if (auto refused =
            Refuse("no --output (nothing is rendered)",
                   {f.input.option, f.size.option, f.frames.option, f.time.option, f.path.option}))
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
  Flags f;
  ToolCommandLine line = MakeLine();
  DeclareFlags(line, f);
  return line.HelpText();
}

std::string VersionLine() { return MakeLine().VersionLine(); }
