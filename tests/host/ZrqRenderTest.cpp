// Runs the built zrq-render and checks its files, streams, messages and exit codes.
#include "HostTestSupport.h"

#include "host/FrameDifference.h"
#include "host/PngFile.h"
#include "host/TestCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

TEST(ZrqRender, RendersTheTestCardWithMirrorFromTopActingOnTheVisibleTop) {
  ScratchFolder folder;
  ToolRun run = RunTool({"--effect", "mirror from top", "--value", "100", "--size", "64x36",
                         "--output", folder.File("card.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "");
  Frame written = ReadPicture(folder.File("card.png"));
  Frame card = std::move(MakeTestCard({64, 36}).value());
  EXPECT_TRUE(SamePixels(written, ProcessDirectly(2003, 100, card)));
  // At 100 the top half, as a viewer sees it, shows the bottom half reflected; the bottom
  // half stays as it was.
  for (int y = 0; y < 18; ++y) {
    EXPECT_EQ(std::memcmp(written.ViewRow(y), card.ViewRow(35 - y), written.RowBytes()), 0) << y;
    EXPECT_EQ(std::memcmp(written.ViewRow(35 - y), card.ViewRow(35 - y), written.RowBytes()), 0);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"card.png"});
}

TEST(ZrqRender, RendersASmallPngAndKeepsItsAlpha) {
  ScratchFolder folder;
  Frame picture = PatternFrame({17, 11}, 7);
  ASSERT_TRUE(WritePngFile(folder.File("in.png"), picture, PngChannels::Rgba).ok());
  ToolRun run = RunTool({"--input", folder.File("in.png"), "--effect", "Wave", "--value", "40",
                         "--output", folder.File("out.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Result<PngPicture> written = ReadPngFile(folder.File("out.png"));
  ASSERT_TRUE(written.ok()) << written.message();
  EXPECT_TRUE(written.value().hasAlpha);
  EXPECT_TRUE(SamePixels(written.value().frame, ProcessDirectly(2001, 40, picture)));
}

TEST(ZrqRender, WritesANumberedSequenceAlongTheRamp) {
  ScratchFolder folder;
  ToolRun run = RunTool({"--effect", "2005", "--size", "40x20", "--frames", "3", "--from", "0",
                         "--to", "100", "--output", folder.File("seq_%02d.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_EQ(folder.Names(), (std::vector<std::string>{"seq_00.png", "seq_01.png", "seq_02.png"}));
  Frame card = std::move(MakeTestCard({40, 20}).value());
  const double values[3] = {0, 50, 100};
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(SamePixels(ReadPicture(folder.File("seq_0" + std::to_string(i) + ".png")),
                           ProcessDirectly(2005, values[i], card)))
        << "frame " << i;
}

TEST(ZrqRender, ProcessesARawStreamFrameByFrameLikeTheProcessor) {
  ScratchFolder folder;
  FrameSize size{24, 16};
  Frame frames[3] = {PatternFrame(size, 1), PatternFrame(size, 2), PatternFrame(size, 3)};
  WriteWholeFile(folder.File("in.raw"),
                 RawBytes(frames[0]) + RawBytes(frames[1]) + RawBytes(frames[2]));

  ToolRun run = RunTool({"--raw", "24x16", "--effect", "color shift vertical", "--value", "20"},
                        folder.File("in.raw"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string expected;
  for (const Frame &frame : frames) expected += RawBytes(ProcessDirectly(2008, 20, frame));
  EXPECT_EQ(run.out, expected);

  // The same through files, with the value ramping over the three frames.
  run = RunTool({"--raw", "24x16", "--effect", "2008", "--frames", "3", "--from", "10", "--to",
                 "90", "--input", folder.File("in.raw"), "--output", folder.File("out.raw")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  expected = RawBytes(ProcessDirectly(2008, 10, frames[0])) +
             RawBytes(ProcessDirectly(2008, 50, frames[1])) +
             RawBytes(ProcessDirectly(2008, 90, frames[2]));
  EXPECT_EQ(ReadWholeFile(folder.File("out.raw")), expected);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"in.raw", "out.raw"}));
}

TEST(ZrqRender, FailsOnAShortLastFrameWithoutLeavingTheOutput) {
  ScratchFolder folder;
  Frame frame = PatternFrame({8, 4});
  WriteWholeFile(folder.File("in.raw"), RawBytes(frame) + RawBytes(frame).substr(0, 100));
  ToolRun run = RunTool(
      {"--raw", "8x4", "--input", folder.File("in.raw"), "--output", folder.File("out.raw")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("frame 2: 28 of its 128 bytes were missing"), std::string::npos)
      << run.err;
  EXPECT_EQ(LineCount(run.err), 1);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.raw"});

  // A ramp over more frames than the input has is a failure too.
  run = RunTool({"--raw", "8x4", "--frames", "3", "--input", folder.File("in.raw").substr(0),
                 "--output", folder.File("out.raw")},
                "/dev/null");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.raw"});
}

TEST(ZrqRender, StopsCleanlyWhenTheReaderClosesThePipe) {
  ScratchFolder folder;
  Frame frame = PatternFrame({256, 256});
  std::string stream;
  for (int i = 0; i < 40; ++i) stream += RawBytes(frame);
  WriteWholeFile(folder.File("in.raw"), stream);
  ToolRun run =
      RunToolIntoClosingPipe({"--raw", "256x256", "--quiet"}, folder.File("in.raw"), 1000);
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("broken pipe"), std::string::npos) << run.err;
  EXPECT_EQ(LineCount(run.err), 1);
}

TEST(ZrqRender, ExitsWithTwoAndOneLineForBadUsage) {
  ScratchFolder folder;
  const std::vector<std::string> cases[] = {
      {},
      {"--effect", "nope", "--output", folder.File("a.png")},
      {"--value", "nan", "--output", folder.File("a.png")},
      {"--size", "0x5", "--output", folder.File("a.png")},
      {"--raw", "100000x2"},
      {"--frames", "4", "--output", folder.File("a.png")},
      {"--whatever"},
  };
  for (const std::vector<std::string> &arguments : cases) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exitCode, 2) << (arguments.empty() ? "(none)" : arguments[0]);
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(run.err.rfind("zrq-render: ", 0), 0u) << run.err;
  }
  ToolRun unknown = RunTool({"--effect", "swirl", "--output", folder.File("a.png")});
  EXPECT_NE(unknown.err.find("Color Shift Diagonal"), std::string::npos);
  EXPECT_TRUE(folder.Names().empty());

  ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char *flag :
       {"--effect", "--value",  "--input",       "--size", "--output",  "--raw",   "--frames",
        "--from",   "--to",     "--quiet",       "--demo", "ffmpeg",    "--key",   "--time",
        "--curve",  "--params", "--save-params", "--path", "--compare", "--module"})
    EXPECT_NE(help.out.find(flag), std::string::npos) << flag;
}

TEST(ZrqRender, ExitsWithOneForBadInputAndLeavesNoOutput) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("bad.png"), "\x89PNG\r\n\x1a\n garbage");
  struct Case {
    std::vector<std::string> arguments;
    const char *mentions;
  };
  const Case cases[] = {
      {{"--input", folder.File("missing.png"), "--output", folder.File("o.png")}, "missing.png"},
      {{"--input", folder.File("bad.png"), "--output", folder.File("o.png")}, "bad.png"},
      {{"--output", folder.File("no/folder/o.png")}, "o.png"},
      {{"--raw", "4x4", "--input", folder.File("missing.raw"), "--output", folder.File("o.raw")},
       "missing.raw"},
  };
  for (const Case &c : cases) {
    ToolRun run = RunTool(c.arguments);
    EXPECT_EQ(run.exitCode, 1) << c.mentions;
    EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"bad.png"});
}

TEST(ZrqRender, DemoWritesEveryEffectAtThreeValuesAndAContactSheet) {
  ScratchFolder folder;
  ToolRun run = RunTool({"--demo", folder.File("demo"), "--size", "96x54"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("contact-sheet.png"), std::string::npos) << run.out;
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder.File("demo")))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names.size(), 33u);
  Frame card = std::move(MakeTestCard({96, 54}).value());
  EXPECT_TRUE(SamePixels(ReadPicture(folder.File("demo/2004-mirror-from-bottom-050.png")),
                         ProcessDirectly(2004, 50, card)));
  EXPECT_TRUE(ReadPngFile(folder.File("demo/2010-panel-rotate-100.png")).ok());
  Result<PngPicture> sheet = ReadPngFile(folder.File("demo/contact-sheet.png"));
  ASSERT_TRUE(sheet.ok());
  EXPECT_GT(sheet.value().frame.Width(), 3 * 96);
  EXPECT_GT(sheet.value().frame.Height(), 10 * 54);
  // The second sheet: each value on the software path and beside it on the device path.
  EXPECT_NE(run.out.find("contact-sheet-paths.png"), std::string::npos) << run.out;
  Result<PngPicture> paths = ReadPngFile(folder.File("demo/contact-sheet-paths.png"));
  ASSERT_TRUE(paths.ok());
  EXPECT_GT(paths.value().frame.Width(), 6 * 96);
  EXPECT_EQ(paths.value().frame.Height(), sheet.value().frame.Height());
}

TEST(ZrqRender, RendersOnTheDevicePathWhatTheModuleDrawsThere) {
  ScratchFolder folder;
  ToolRun run = RunTool({"--path", "device", "--effect", "mirror from left", "--value", "100",
                         "--size", "64x36", "--output", folder.File("card.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Frame card = std::move(MakeTestCard({64, 36}).value());
  EXPECT_TRUE(SamePixels(ReadPicture(folder.File("card.png")),
                         RenderOnPath(RenderPath::Device, 2005, 100, card)));

  // A picture with transparency keeps the alpha the device leaves, in RGBA.
  Frame picture = PatternFrame({17, 11}, 9);
  ASSERT_TRUE(WritePngFile(folder.File("in.png"), picture, PngChannels::Rgba).ok());
  run = RunTool({"--path", "device", "--input", folder.File("in.png"), "--effect", "replicate",
                 "--value", "50", "--output", folder.File("out.png")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  Result<PngPicture> written = ReadPngFile(folder.File("out.png"));
  ASSERT_TRUE(written.ok()) << written.message();
  EXPECT_TRUE(written.value().hasAlpha);
  EXPECT_TRUE(
      SamePixels(written.value().frame, RenderOnPath(RenderPath::Device, 2002, 50, picture)));

  // Raw frames the same way, each uploaded afresh.
  Frame next = PatternFrame({17, 11}, 10);
  WriteWholeFile(folder.File("in.raw"), RawBytes(picture) + RawBytes(next));
  run = RunTool({"--raw", "17x11", "--path", "device", "--effect", "2002", "--value", "50"},
                folder.File("in.raw"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, RawBytes(RenderOnPath(RenderPath::Device, 2002, 50, picture)) +
                         RawBytes(RenderOnPath(RenderPath::Device, 2002, 50, next)));
}

// The rows of a --compare table: frame, time, value, differing pixels, their share, and the
// largest difference of a channel.
struct ComparedFrame {
  long long frame = -1;
  double time = 0, value = 0, percent = 0;
  long long differing = 0;
  int largest = 0;
};

std::vector<ComparedFrame> ComparedFrames(const std::string &table) {
  std::vector<ComparedFrame> rows;
  size_t start = 0;
  while (start < table.size()) {
    size_t end = table.find('\n', start);
    std::string line = table.substr(start, end - start);
    ComparedFrame row;
    if (std::sscanf(line.c_str(), "%lld %lf %lf %lld %lf%% %d", &row.frame, &row.time, &row.value,
                    &row.differing, &row.percent, &row.largest) == 6)
      rows.push_back(row);
    start = end == std::string::npos ? table.size() : end + 1;
  }
  return rows;
}

TEST(ZrqRender, ComparesThePathsFrameByFrameAndWritesThoseOfPath) {
  ScratchFolder folder;
  Frame card = std::move(MakeTestCard({64, 36}).value());
  // Mirror from Top at 50 is where the two paths part most on the card.
  const double values[3] = {0, 50, 100};
  for (const char *path : {"software", "device"}) {
    ToolRun run = RunTool({"--effect", "mirror-from-top", "--size", "64x36", "--frames", "3",
                           "--from", "0", "--to", "100", "--compare", "--path", path, "--output",
                           folder.File(std::string(path) + "%d.png")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("# the device path against the software path: Mirror from Top "
                            "(2003), 64x36",
                            0),
              0u)
        << run.out;
    EXPECT_EQ(LineCount(run.out), 2 + 3 + 1) << run.out;
    std::vector<ComparedFrame> rows = ComparedFrames(run.out);
    ASSERT_EQ(rows.size(), 3u) << run.out;
    for (int i = 0; i < 3; ++i) {
      Frame software = RenderOnPath(RenderPath::Software, 2003, values[i], card);
      Frame device = RenderOnPath(RenderPath::Device, 2003, values[i], card);
      FrameDifference expected = CompareFrames(software, device);
      EXPECT_EQ(rows[size_t(i)].frame, i);
      EXPECT_DOUBLE_EQ(rows[size_t(i)].time, i * 0.5);
      EXPECT_DOUBLE_EQ(rows[size_t(i)].value, values[i]);
      EXPECT_EQ(rows[size_t(i)].differing, expected.differingPixels) << i;
      EXPECT_EQ(rows[size_t(i)].largest, expected.largestChannelDifference) << i;
      EXPECT_TRUE(
          SamePixels(ReadPicture(folder.File(std::string(path) + std::to_string(i) + ".png")),
                     std::string(path) == "software" ? software : device))
          << path << " " << i;
    }
    EXPECT_NE(run.out.find("\n# 3 frames, "), std::string::npos) << run.out;
  }

  // Without --output the frames are only measured; a raw stream's table needs a file for the
  // frames, since standard output carries the table.
  ToolRun measured =
      RunTool({"--effect", "replicate", "--value", "0", "--size", "16x8", "--compare"});
  ASSERT_EQ(measured.exitCode, 0) << measured.err;
  EXPECT_NE(measured.out.find("# 1 frame, identical on both paths\n"), std::string::npos)
      << measured.out;
  WriteWholeFile(folder.File("in.raw"), RawBytes(PatternFrame({8, 4})));
  ToolRun raw = RunTool({"--raw", "8x4", "--compare", "--value", "0", "--input",
                         folder.File("in.raw"), "--output", folder.File("out.raw")});
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(ComparedFrames(raw.out).size(), 1u) << raw.out;
  EXPECT_EQ(RunTool({"--raw", "8x4", "--compare"}, folder.File("in.raw")).exitCode, 2);
}

TEST(ZrqRender, ExitsWithOneWhenTheModuleCannotBeLoaded) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("text.so"), "not a library");
  const char *binary = std::getenv("ZRQ_BINARY_DIR");
  const std::string platformLibrary = std::string(binary ? binary : ".") + "/lib/libzrqole.so";
  struct Case {
    std::string module;
    const char *mentions;
  };
  const Case cases[] = {
      {folder.File("missing.so"), "missing.so"},
      {folder.File("text.so"), "text.so"},
      {platformLibrary, "is not an effect module"},
  };
  for (const Case &c : cases) {
    ToolRun run = RunTool({"--module", c.module, "--effect", "wave", "--output",
                           folder.File("o.png"), "--save-params", folder.File("p.xml")});
    EXPECT_EQ(run.exitCode, 1) << c.module;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.module), std::string::npos) << run.err;
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"text.so"});

  // --verbose names the module it took and how it came to it, and changes nothing else.
  ToolRun told = RunTool({"--verbose", "--effect", "wave", "--curve"});
  ASSERT_EQ(told.exitCode, 0) << told.err;
  EXPECT_NE(told.err.find("effect module '"), std::string::npos) << told.err;
  EXPECT_NE(told.err.find("ZRQDistortion2D9.so', the default module"), std::string::npos)
      << told.err;
  EXPECT_EQ(told.out, RunTool({"--effect", "wave", "--curve"}).out);
}

} // namespace
