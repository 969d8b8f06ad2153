// Runs the built zrq-render with key frames, curves and project documents.
#include "HostTestSupport.h"

#include "host/PngFile.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// The source of every rendering here: a picture with transparency, written as RGBA so no
// channel the effects move is lost on the way (the wave uncovers transparent pixels).
Frame Source() { return PatternFrame({24, 16}, 5); }

std::vector<std::string> SourceFlags(const ScratchFolder &folder) {
  if (!std::filesystem::exists(folder.File("src.png"))) {
    EXPECT_TRUE(WritePngFile(folder.File("src.png"), Source(), PngChannels::Rgba).ok());
  }
  return {"--input", folder.File("src.png")};
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void ExpectFrames(const ScratchFolder &folder, const std::string &prefix, LONG effectId,
                  const std::vector<double> &percents) {
  for (size_t i = 0; i < percents.size(); ++i)
    EXPECT_TRUE(SamePixels(ReadPicture(folder.File(prefix + std::to_string(i) + ".png")),
                           ProcessDirectly(effectId, percents[i], Source())))
        << prefix << i << " should be at " << percents[i];
}

TEST(ZrqRenderKeyFrames, RendersEachFrameAtTheValueOfItsTime) {
  ScratchFolder folder;
  // Times 0, 1/4, 1/2, 3/4, 1 on a curve up to 100 at 1/2 and back down.
  ToolRun run = RunTool(Joined({"--effect", "wave", "--key", "0=0", "--key", "0.5=100", "--key",
                                "1=0", "--frames", "5", "--output", folder.File("f%d.png")},
                               SourceFlags(folder)));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectFrames(folder, "f", 2001, {0, 50, 100, 50, 0});

  // One frame at a time of its own; a fractional key value between whole ones.
  run = RunTool(Joined({"--effect", "2006", "--key", "0.2=20", "--key", "0.6=60.5", "--time", "0.4",
                        "--output", folder.File("t0.png")},
                       SourceFlags(folder)));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ExpectFrames(folder, "t", 2006, {40.25});
}

TEST(ZrqRenderKeyFrames, PrintsTheCurveAndRendersOnlyWhenAskedTo) {
  ScratchFolder folder;
  ToolRun run = RunTool({"--key", "0.25=40", "--key", "0.75=80", "--curve", "3"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "# \"Effect Value\" of Replicate (2002): 'straight' is what a frame at that time "
            "renders with\n"
            "    time  straight    spline\n"
            "  0.0000    40.000    20.000\n"
            "  0.5000    60.000    60.000\n"
            "  1.0000    80.000   100.000\n");
  EXPECT_TRUE(folder.Names().empty());

  run = RunTool(
      Joined({"--value", "30", "--curve", "--output", folder.File("a.png")}, SourceFlags(folder)));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(LineCount(run.out), 2 + 11);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a.png", "src.png"}));
}

TEST(ZrqRenderProjects, ASavedProjectRendersTheSameFramesAgain) {
  ScratchFolder folder;
  ToolRun first = RunTool(
      Joined({"--effect", "panel-rotate", "--key", "0.1=10", "--key", "0.9=95.5", "--frames", "4",
              "--output", folder.File("a%d.png"), "--save-params", folder.File("p.xml")},
             SourceFlags(folder)));
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ToolRun again = RunTool(Joined(
      {"--params", folder.File("p.xml"), "--frames", "4", "--output", folder.File("b%d.png")},
      SourceFlags(folder)));
  ASSERT_EQ(again.exitCode, 0) << again.err;
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(SamePixels(ReadPicture(folder.File("a" + std::to_string(i) + ".png")),
                           ReadPicture(folder.File("b" + std::to_string(i) + ".png"))))
        << i;
  // Saved again from the loaded project, the document is the same.
  ToolRun resaved =
      RunTool({"--params", folder.File("p.xml"), "--save-params", folder.File("q.xml")});
  ASSERT_EQ(resaved.exitCode, 0) << resaved.err;
  EXPECT_EQ(ReadWholeFile(folder.File("q.xml")), ReadWholeFile(folder.File("p.xml")));
  EXPECT_NE(ReadWholeFile(folder.File("p.xml")).find("<ZrqRenderProject>"), std::string::npos);
}

TEST(ZrqRenderProjects, FlagsOverrideTheProjectsEffectAndKeyFrames) {
  ScratchFolder folder;
  ToolRun saved = RunTool(
      {"--effect", "wave", "--from", "0", "--to", "100", "--save-params", folder.File("p.xml")});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;

  ToolRun effect = RunTool(Joined({"--params", folder.File("p.xml"), "--effect", "mirror-from-left",
                                   "--frames", "3", "--output", folder.File("e%d.png")},
                                  SourceFlags(folder)));
  ASSERT_EQ(effect.exitCode, 0) << effect.err;
  ExpectFrames(folder, "e", 2005, {0, 50, 100});

  ToolRun keys =
      RunTool(Joined({"--params", folder.File("p.xml"), "--value", "30", "--frames", "2",
                      "--output", folder.File("k%d.png"), "--save-params", folder.File("k.xml")},
                     SourceFlags(folder)));
  ASSERT_EQ(keys.exitCode, 0) << keys.err;
  ExpectFrames(folder, "k", 2001, {30, 30});
  // What was used is what is saved: the project's effect, the flags' key frame.
  ToolRun curve = RunTool({"--params", folder.File("k.xml"), "--curve", "2"});
  EXPECT_NE(curve.out.find("of Wave (2001)"), std::string::npos) << curve.out;
  EXPECT_NE(curve.out.find("  1.0000    30.000    30.000\n"), std::string::npos) << curve.out;
}

TEST(ZrqRenderProjects, ABrokenProjectExitsWithOneAndWritesNothing) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("torn.xml"), "<ZrqRenderProject><ParameterSet><Parameter>");
  WriteWholeFile(folder.File("badid.xml"),
                 "<ZrqRenderProject xmlns:dt=\"urn:schemas-microsoft-com:datatypes\">"
                 "<ParameterSet><Parameter><ParamID>zero</ParamID>"
                 "<Value dt:dt=\"i4\">2001</Value></Parameter></ParameterSet>"
                 "</ZrqRenderProject>");
  WriteWholeFile(folder.File("outside.xml"),
                 "<ZrqRenderProject xmlns:dt=\"urn:schemas-microsoft-com:datatypes\">"
                 "<ParameterSet><Parameter><Value dt:dt=\"i4\">2011</Value>"
                 "<Name dt:dt=\"string\">Effect ID</Name></Parameter></ParameterSet>"
                 "<StartOffsetElements><KeyFrame><Time dt:dt=\"r8\">0</Time><Parameter>"
                 "<Value dt:dt=\"i2\">5</Value><Name dt:dt=\"string\">Effect Value</Name>"
                 "</Parameter></KeyFrame></StartOffsetElements></ZrqRenderProject>");
  // Loads, but a frame's value would be read from text.
  WriteWholeFile(folder.File("text.xml"),
                 "<ZrqRenderProject xmlns:dt=\"urn:schemas-microsoft-com:datatypes\">"
                 "<StartOffsetElements><KeyFrame><Time dt:dt=\"r8\">0.5</Time><Parameter>"
                 "<Value>strong</Value><Name dt:dt=\"string\">Effect Value</Name>"
                 "</Parameter></KeyFrame></StartOffsetElements></ZrqRenderProject>");
  struct Case {
    const char *file;
    std::vector<const char *> mentions;
  };
  const Case cases[] = {
      {"torn.xml", {"torn.xml", "well-formed", "0x8007000D"}},
      {"text.xml", {"text.xml", "not a number"}},
      {"badid.xml", {"badid.xml", "0x80020005"}},
      {"missing.xml", {"missing.xml", "0x80070002"}},
      {"outside.xml", {"outside.xml", "2011"}},
  };
  const std::vector<std::string> source = SourceFlags(folder);
  const std::vector<std::string> before = folder.Names();
  for (const Case &c : cases) {
    ToolRun run = RunTool(Joined({"--params", folder.File(c.file), "--curve", "--output",
                                  folder.File("o.png"), "--save-params", folder.File("s.xml")},
                                 source));
    EXPECT_EQ(run.exitCode, 1) << c.file;
    EXPECT_EQ(run.out, "") << c.file; // no curve either
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    for (const char *mention : c.mentions)
      EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
  }
  EXPECT_EQ(folder.Names(), before);

  // A project that cannot be saved stops the run before its frames too.
  ToolRun unsaved = RunTool(Joined(
      {"--save-params", folder.File("no/folder/p.xml"), "--output", folder.File("o.png")}, source));
  EXPECT_EQ(unsaved.exitCode, 1);
  EXPECT_NE(unsaved.err.find("p.xml"), std::string::npos) << unsaved.err;
  EXPECT_EQ(folder.Names(), before);
}

TEST(ZrqRenderKeyFrames, ExitsWithTwoAndOneLineForBadKeyFrameUsage) {
  ScratchFolder folder;
  const std::string out = folder.File("a.png");
  const std::vector<std::string> cases[] = {
      {"--key", "1.5=10", "--output", out},
      {"--key", "nan=10", "--output", out},
      {"--key", "0.5=10", "--value", "10", "--output", out},
      {"--time", "inf", "--output", out},
      {"--time", "0.5", "--frames", "3", "--output", folder.File("a%d.png")},
      {"--curve", "--raw", "8x8"},
  };
  for (const std::vector<std::string> &arguments : cases) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments[0] << " " << arguments[1];
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
  }
  EXPECT_TRUE(folder.Names().empty());
}

// A project document holding key frames of "Effect Value" given as (time, r8 text of the value).
std::string ProjectWithKeys(const std::vector<std::pair<std::string, std::string>> &keys,
                            const std::string &effect =
                                "<ParameterSet><Parameter><Value dt:dt=\"i4\">2001</Value>"
                                "<Name dt:dt=\"string\">Effect ID</Name></Parameter>"
                                "</ParameterSet>") {
  std::string text = "<ZrqRenderProject xmlns:dt=\"urn:schemas-microsoft-com:datatypes\">" +
                     effect + "<StartOffsetElements>";
  for (const auto &[time, value] : keys)
    text += "<KeyFrame><Time dt:dt=\"r8\">" + time + "</Time><Parameter><Value dt:dt=\"r8\">" +
            value + "</Value><Name dt:dt=\"string\">Effect Value</Name></Parameter></KeyFrame>";
  return text + "</StartOffsetElements></ZrqRenderProject>";
}

TEST(ZrqRenderProjects, AProjectWhoseNumbersAreNotNumbersStopsTheRunAndWritesNothing) {
  ScratchFolder folder;
  const std::pair<const char *, std::string> cases[] = {
      {"nan.xml", ProjectWithKeys({{"0", "nan"}, {"1", "50"}})},
      {"inf.xml", ProjectWithKeys({{"0", "0"}, {"1", "INF"}})},
      {"minus.xml", ProjectWithKeys({{"0", "-INF"}, {"1", "50"}})},
      {"time.xml", ProjectWithKeys({{"0", "10"}, {"1e308", "50"}})},
  };
  const std::vector<std::string> source = SourceFlags(folder);
  for (const auto &[name, text] : cases) WriteWholeFile(folder.File(name), text);
  const std::vector<std::string> before = folder.Names();
  for (const auto &[name, text] : cases) {
    ToolRun run = RunTool(Joined({"--params", folder.File(name), "--curve", "--output",
                                  folder.File("o.png"), "--save-params", folder.File("s.xml")},
                                 source));
    EXPECT_EQ(run.exitCode, 1) << name;
    EXPECT_EQ(run.out, "") << name;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
  }
  EXPECT_EQ(folder.Names(), before);
}

TEST(ZrqRenderProjects, SaysOnceForEachKindWhatTheCommandLineWouldHaveRefused) {
  ScratchFolder folder;
  WriteWholeFile(
      folder.File("odd.xml"),
      ProjectWithKeys({{"-0.05", "10"}, {"0.5", "150"}, {"1.5", "-20"}, {"2", "30"}}, ""));
  ToolRun run = RunTool({"--params", folder.File("odd.xml"), "--curve", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(LineCount(run.err), 3) << run.err;
  EXPECT_NE(run.err.find("names no effect (\"Effect ID\"); the default, Replicate (2002), is used"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("3 key frames of \"Effect Value\" lie outside the clip's times 0..1"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("2 key frames of \"Effect Value\" hold values outside 0..100"),
            std::string::npos)
      << run.err;
  // Rendered as the module evaluates them: the line from -0.05 reaches 0 on its way up to 150
  // at 0.5, and key frames from 1.1 on are never neighbours, so 150 holds to the end.
  EXPECT_NE(run.out.find("  0.0000    22.727"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  1.0000   150.000"), std::string::npos) << run.out;
}

// Loading, checking and evaluating stay near linear in the number of key frames: a project of
// 100,000 prints its curve in well under the limit here (before, it did not finish in a minute).
TEST(ZrqRenderProjects, AHundredThousandKeyFramesLoadAndPrintTheirCurveQuickly) {
  ScratchFolder folder;
  std::vector<std::pair<std::string, std::string>> keys;
  for (int i = 0; i < 100000; ++i)
    keys.emplace_back(std::to_string(i / 99999.0), std::to_string(i % 101));
  WriteWholeFile(folder.File("big.xml"), ProjectWithKeys(keys));
  const auto start = std::chrono::steady_clock::now();
  ToolRun run = RunTool({"--params", folder.File("big.xml"), "--curve", "3"});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(LineCount(run.out), 2 + 3);
  EXPECT_LT(seconds, 30.0);
}

} // namespace
