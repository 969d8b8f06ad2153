// Runs the built zrq-render on small video clips made with the ffmpeg tool at test time, and
// reads the results back with ffmpeg and ffprobe: the lossless round trip against the raw
// stream job, frame times on a variable frame rate, the part --start and --duration select,
// the codec each extension gets, and damaged input.
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

constexpr FrameSize kClipSize{48, 32};

bool HaveFfmpeg() {
  return std::system("ffmpeg -version >/dev/null 2>&1") == 0 &&
         std::system("ffprobe -version >/dev/null 2>&1") == 0;
}

// Standard output of a shell command; a failure of the command fails the test.
std::string Shell(const std::string &command) {
  std::string output;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return output;
  }
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  int status = pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
  return output;
}

// Seconds of 10 frames a second of ffmpeg's test pattern in FFV1 (B, G, R, A, so decoding it
// is exact), with sound.
void MakeClip(const std::string &path, const std::string &seconds = "1",
              const std::string &sound = "flac") {
  Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=48x32:rate=10:duration=" + seconds +
        " -f lavfi -i sine=frequency=440:duration=" + seconds +
        ":sample_rate=8000 -c:v ffv1 -level 3 -slicecrc 1 -pix_fmt bgra -c:a " + sound + " " +
        path);
}

// What ffprobe lists of `entries` for the stream(s) `streams` ("v", "a"), one line each.
std::string Probe(const std::string &path, const std::string &streams, const std::string &entries) {
  return Shell("ffprobe -v error -select_streams " + streams + " -show_entries " + entries +
               " -show_data_hash MD5 -of csv=p=0 " + path);
}

// Every frame of the video as raw B, G, R, A rows (top first), as decoded, none added or dropped.
std::string DecodedFrames(const std::string &path) {
  return Shell(
      "ffmpeg -v error -i " + path +
      " -map 0:v:0 -fps_mode passthrough -enc_time_base 1/1000 -f rawvideo -pix_fmt bgra -");
}

size_t FrameBytes() { return size_t(4) * kClipSize.width * kClipSize.height; }

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

class ZrqRenderVideo : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are needed (./zrq test installs them)";
  }
  ScratchFolder folder;
};

TEST_F(ZrqRenderVideo, LosslessRoundTripKeepsTimesAndSoundAndMatchesTheRawStreamJob) {
  const std::string clip = folder.File("clip.mkv"), out = folder.File("out.mkv");
  MakeClip(clip);
  ToolRun run = RunTool({"--input", clip, "--output", out, "--lossless", "--effect", "wave",
                         "--value", "40", "--quiet"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  std::string frameTimes = Probe(clip, "v", "frame=pts,pkt_duration");
  EXPECT_EQ(Lines(frameTimes).size(), 10u);
  EXPECT_EQ(Probe(out, "v", "frame=pts,pkt_duration"), frameTimes);
  std::string sound = Probe(clip, "a", "packet=pts,dts,duration,size,data_hash");
  EXPECT_FALSE(sound.empty());
  EXPECT_EQ(Probe(out, "a", "packet=pts,dts,duration,size,data_hash"), sound);
  EXPECT_EQ(Probe(out, "v", "stream=codec_name,width,height,pix_fmt,avg_frame_rate"),
            "ffv1,48,32,bgra,10/1\n");

  // The same frames through the raw stream job.
  WriteWholeFile(folder.File("in.raw"), DecodedFrames(clip));
  ToolRun raw = RunTool({"--raw", "48x32", "--effect", "wave", "--value", "40", "--input",
                         folder.File("in.raw"), "--output", folder.File("out.raw")});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  std::string expected = ReadWholeFile(folder.File("out.raw"));
  ASSERT_EQ(expected.size(), 10 * FrameBytes());
  EXPECT_NE(expected, ReadWholeFile(folder.File("in.raw"))); // the effect did something
  EXPECT_TRUE(DecodedFrames(out) == expected);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"clip.mkv", "in.raw", "out.mkv", "out.raw"}));
}

TEST_F(ZrqRenderVideo, AYuvClipGivesTheFramesTheRawStreamJobGetsFromTheFfmpegTool) {
  const std::string clip = folder.File("clip.mp4"), out = folder.File("out.mkv");
  Shell("ffmpeg -v error -y -f lavfi -i testsrc2=size=48x32:rate=10:duration=0.5 -c:v libx264 "
        "-pix_fmt yuv420p " +
        clip);
  ToolRun run = RunTool({"--input", clip, "--output", out, "--lossless", "--effect",
                         "color-shift-diagonal", "--value", "60"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  WriteWholeFile(folder.File("in.raw"), DecodedFrames(clip));
  ToolRun raw = RunTool({"--raw", "48x32", "--effect", "color-shift-diagonal", "--value", "60",
                         "--input", folder.File("in.raw"), "--output", folder.File("out.raw")});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  std::string expected = ReadWholeFile(folder.File("out.raw"));
  EXPECT_EQ(expected.size(), 5 * FrameBytes());
  EXPECT_TRUE(DecodedFrames(out) == expected);
}

TEST_F(ZrqRenderVideo, FramesOfAVariableRateTakeTheirValueAtTheirPresentationTime) {
  const std::string clip = folder.File("vfr.mkv"), out = folder.File("out.mkv");
  // Six frames at uneven times, in a clip whose length is the last frame's end.
  Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=48x32:rate=10:duration=0.6 -vf "
        "\"settb=1/1000,setpts='if(eq(N,0),0,if(eq(N,1),0.07,if(eq(N,2),0.13,if(eq(N,3),0.47,"
        "if(eq(N,4),0.61,0.83)))))/TB'\" -fps_mode passthrough -enc_time_base 1/1000 "
        "-c:v ffv1 -pix_fmt bgra " +
        clip);
  ToolRun run = RunTool({"--input", clip, "--output", out, "--lossless", "--effect", "wave",
                         "--key", "0=0", "--key", "1=100"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  std::vector<std::string> times = Lines(Probe(clip, "v", "frame=pts"));
  ASSERT_EQ(times.size(), 6u);
  const double length = std::stod(Shell("ffprobe -v error -show_entries format=duration -of "
                                        "csv=p=0 " +
                                        clip));
  EXPECT_NEAR(length, 0.929, 1e-6);
  std::string source = DecodedFrames(clip), rendered = DecodedFrames(out);
  ASSERT_EQ(rendered.size(), 6 * FrameBytes());
  for (size_t i = 0; i < times.size(); ++i) {
    const double time = std::stod(times[i]) / 1000.0 / length;
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", time);
    WriteWholeFile(folder.File("frame.raw"), source.substr(i * FrameBytes(), FrameBytes()));
    ToolRun one = RunTool({"--raw", "48x32", "--effect", "wave", "--key", "0=0", "--key", "1=100",
                           "--time", text, "--input", folder.File("frame.raw"), "--output",
                           folder.File("expected.raw")});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_TRUE(rendered.substr(i * FrameBytes(), FrameBytes()) ==
                ReadWholeFile(folder.File("expected.raw")))
        << "frame " << i << " at time " << text;
  }
}

TEST_F(ZrqRenderVideo, StartAndDurationWriteOnlyThatPartFromTimeZero) {
  const std::string clip = folder.File("clip.mkv"), out = folder.File("part.mkv");
  MakeClip(clip);
  ToolRun run = RunTool({"--input", clip, "--output", out, "--lossless", "--start", "0.3",
                         "--duration", "0.4", "--key", "0=0", "--key", "1=100"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Probe(out, "v", "frame=pts"), "0\n100\n200\n300\n");
  // Frames 3 to 6 of the clip, the first at time 0 of the part and the last at 0.75.
  std::string source = DecodedFrames(clip), rendered = DecodedFrames(out);
  ASSERT_EQ(rendered.size(), 4 * FrameBytes());
  WriteWholeFile(folder.File("in.raw"), source.substr(3 * FrameBytes(), 4 * FrameBytes()));
  ToolRun raw = RunTool({"--raw", "48x32", "--key", "0=0", "--key", "1=100", "--frames", "4",
                         "--input", folder.File("in.raw"), "--output", folder.File("out.raw")});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  std::string expected = ReadWholeFile(folder.File("out.raw"));
  // --frames 4 puts the frames at 0, 1/3, 2/3 and 1; the video's are at 0, 1/4, 1/2, 3/4.
  EXPECT_TRUE(rendered.substr(0, FrameBytes()) == expected.substr(0, FrameBytes()));
  EXPECT_FALSE(rendered.substr(3 * FrameBytes()) == expected.substr(3 * FrameBytes()));

  std::vector<std::string> sound = Lines(Probe(out, "a", "packet=pts"));
  ASSERT_FALSE(sound.empty());
  EXPECT_LT(std::stod(sound.front()), 100.0); // in milliseconds: moved to the part's start
  EXPECT_LT(std::stod(sound.back()), 400.0);
}

TEST_F(ZrqRenderVideo, EachExtensionGetsItsCodecAndKeepsTheSound) {
  const std::string clip = folder.File("clip.mkv");
  MakeClip(clip, "0.3", "aac");
  // An RGB source is written in YUV with the matrix named (this ProRes encoder names none), or
  // kept in B, G, R, A by FFV1.
  const std::pair<std::string, std::string> cases[] = {
      {"out.mp4", "h264,48,32,yuv420p,smpte170m"},
      {"out.mkv", "h264,48,32,yuv420p,smpte170m"},
      {"out.mov", "prores,48,32,yuv422p10le,unknown"},
      {"out.avi", "ffv1,48,32,bgra,unknown"}};
  for (const auto &[name, codec] : cases) {
    ToolRun run =
        RunTool({"--input", clip, "--output", folder.File(name), "--effect", "mirror-from-top"});
    ASSERT_EQ(run.exitCode, 0) << name << ": " << run.err;
    EXPECT_EQ(Probe(folder.File(name), "v:0", "stream=codec_name,pix_fmt,color_space,width,height"),
              codec + "\n")
        << name;
    EXPECT_EQ(Lines(Probe(folder.File(name), "v:0", "frame=pts")).size(), 3u) << name;
    EXPECT_EQ(Probe(folder.File(name), "a", "stream=codec_type"), "audio\n") << name;
  }
  ToolRun crf = RunTool({"--input", clip, "--output", folder.File("crf.mkv"), "--crf", "30"});
  EXPECT_EQ(crf.exitCode, 0) << crf.err;
}

// A failure says why on one line, exits with 1 and leaves no file behind, not even a part.
void ExpectFailure(const ScratchFolder &folder, const std::vector<std::string> &arguments,
                   const std::string &reason, const std::vector<std::string> &namesAfter) {
  ToolRun run = RunTool(arguments);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(LineCount(run.err), 1) << run.err;
  EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
  EXPECT_EQ(folder.Names(), namesAfter);
}

TEST_F(ZrqRenderVideo, DamagedOrUnreadableInputFailsWithTheReasonAndWritesNothing) {
  const std::string clip = folder.File("clip.mkv");
  MakeClip(clip, "2");
  const std::string whole = ReadWholeFile(clip);
  WriteWholeFile(folder.File("cut.mkv"), whole.substr(0, whole.size() * 6 / 10));
  std::string damaged = whole;
  for (size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i)
    damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
  WriteWholeFile(folder.File("damaged.mkv"), damaged);
  WriteWholeFile(folder.File("text.mkv"), "not a video\n");
  const std::vector<std::string> inputs = {"clip.mkv", "cut.mkv", "damaged.mkv", "text.mkv"};

  ExpectFailure(folder, {"--input", folder.File("cut.mkv"), "--output", folder.File("out.mkv")},
                "cut short", inputs);
  ExpectFailure(folder, {"--input", folder.File("damaged.mkv"), "--output", folder.File("out.mkv")},
                "damaged.mkv", inputs);
  ExpectFailure(folder, {"--input", folder.File("text.mkv"), "--output", folder.File("out.mkv")},
                "text.mkv", inputs);
  ExpectFailure(folder, {"--input", folder.File("missing.mkv"), "--output", folder.File("out.mkv")},
                "missing.mkv", inputs);
  ExpectFailure(folder,
                {"--input", clip, "--output", folder.File("out.mkv"), "--codec", "no-such-codec"},
                "no-such-codec", inputs);
  ExpectFailure(folder, {"--input", clip, "--output", folder.File("out.mp4"), "--lossless"},
                "cannot hold", inputs);
  ExpectFailure(folder, {"--input", clip, "--output", folder.File("out.mkv"), "--start", "5"},
                "past the end", inputs);
  // A full disk (a link to the device that is always full).
  ASSERT_EQ(symlink("/dev/full", folder.File("full.mkv").c_str()), 0);
  std::vector<std::string> withLink = inputs;
  withLink.insert(withLink.begin() + 3, "full.mkv");
  ExpectFailure(folder, {"--input", clip, "--output", folder.File("full.mkv")}, "no space",
                withLink);
  ASSERT_EQ(unlink(folder.File("full.mkv").c_str()), 0);
  // The container's own reason, not just its error code.
  ExpectFailure(folder, {"--input", clip, "--output", folder.File("out.mov")},
                "flac only supported in MP4", inputs);
}

TEST_F(ZrqRenderVideo, DevicePathRendersVideoToo) {
  const std::string clip = folder.File("clip.mkv");
  MakeClip(clip, "0.2");
  ToolRun run = RunTool({"--input", clip, "--output", folder.File("out.mkv"), "--lossless",
                         "--path", "device", "--effect", "mirror-from-left", "--value", "100"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(DecodedFrames(folder.File("out.mkv")).size(), 2 * FrameBytes());
}

} // namespace
