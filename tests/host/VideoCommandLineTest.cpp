// The command line of a video run: when a run is one, what it takes and what it refuses, and
// the encoding each output name gets.
#include "host/CommandLine.h"
#include "host/VideoFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Result<RenderOptions> Parse(std::vector<std::string_view> arguments) {
  return ParseCommandLine(arguments);
}

TEST(VideoCommandLine, AVideoNameOnEitherSideMakesAVideoRun) {
  Result<RenderOptions> parsed =
      Parse({"--input", "clip.webm", "--output", "OUT.MKV", "--start", "2.5", "--duration", "4",
             "--codec", "libx265", "--crf", "28", "--key", "0=0", "--key", "1=100"});
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  const RenderOptions &options = parsed.value();
  EXPECT_EQ(options.mode, RunMode::Video);
  EXPECT_EQ(options.startSeconds, 2.5);
  EXPECT_EQ(options.durationSeconds, 4.0);
  EXPECT_EQ(options.videoCodec, "libx265");
  EXPECT_EQ(options.crf, 28);
  EXPECT_FALSE(options.lossless);

  // A video written from a picture: still a video run, which will say what it cannot read.
  EXPECT_EQ(Parse({"--input", "photo.png", "--output", "out.mp4"}).value().mode, RunMode::Video);
  // Raw frames in a file of any name stay raw frames.
  EXPECT_EQ(Parse({"--raw", "8x4", "--input", "frames.mkv", "--output", "x.mkv"}).value().mode,
            RunMode::RawStream);
}

TEST(VideoCommandLine, RefusesWhatAVideoRunCannotUse) {
  const std::vector<std::vector<std::string_view>> cases = {
      {"--output", "out.mkv"},                        // nothing to read
      {"--input", "clip.mp4", "--output", "out.png"}, // a picture out of a video
      {"--input", "clip.mp4"},                        // nowhere to write
      {"--input", "clip.mp4", "--output", "out.mkv", "--frames", "5"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--time", "0.5"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--size", "8x8"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--compare"},
      {"--input", "clip.mp4", "--output", "clip.mp4"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--lossless", "--codec", "ffv1"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--lossless", "--crf", "0"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--crf", "64"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--crf", "1.5"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--start", "-1"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--start", "nan"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--duration", "0"},
      {"--input", "clip.mp4", "--output", "out.mkv", "--codec", ""},
      {"--input", "clip.mp4", "--output", "out.mkv", "--save-params", "out.mkv"},
      {"--output", "out.png", "--start", "1"}, // pictures have no clip times
      {"--raw", "8x4", "--lossless"},
      {"--demo", "folder", "--codec", "ffv1"},
  };
  for (const std::vector<std::string_view> &arguments : cases) {
    Result<RenderOptions> parsed = Parse(arguments);
    std::string line;
    for (std::string_view argument : arguments) line += std::string(argument) + " ";
    EXPECT_FALSE(parsed.ok()) << line;
    if (!parsed.ok()) {
      EXPECT_EQ(parsed.message().find('\n'), std::string::npos) << parsed.message();
    }
  }
}

TEST(VideoCommandLine, EachContainerGetsItsCodecUnlessOneIsChosen) {
  VideoEncoding mp4 = ChooseVideoEncoding("a/b.mp4", "", std::nullopt, false);
  EXPECT_EQ(mp4.encoder, "libx264");
  EXPECT_EQ(mp4.crf, 18);
  EXPECT_FALSE(mp4.bgra);
  EXPECT_EQ(ChooseVideoEncoding("b.MKV", "", 23, false).crf, 23);
  EXPECT_EQ(ChooseVideoEncoding("b.mov", "", std::nullopt, false).encoder, "prores_ks");
  VideoEncoding avi = ChooseVideoEncoding("b.avi", "", std::nullopt, false);
  EXPECT_EQ(avi.encoder, "ffv1");
  EXPECT_TRUE(avi.bgra);
  VideoEncoding lossless = ChooseVideoEncoding("b.mkv", "", std::nullopt, true);
  EXPECT_EQ(lossless.encoder, "ffv1");
  EXPECT_TRUE(lossless.bgra);
  EXPECT_EQ(ChooseVideoEncoding("b.mp4", "mpeg4", 5, false).encoder, "mpeg4");

  EXPECT_TRUE(IsVideoOutputName("x.Mp4"));
  EXPECT_FALSE(IsVideoOutputName("x.webm")); // read, not written
  EXPECT_TRUE(IsVideoInputName("x.webm"));
  EXPECT_FALSE(IsVideoInputName("mkv"));
  EXPECT_FALSE(IsVideoInputName("folder.mkv/picture"));
}

} // namespace
