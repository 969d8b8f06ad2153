#include "HostTestSupport.h"

#include "effect/EffectIds.h"
#include "host/ArgumentValues.h"
#include "host/CommandLine.h"
#include "host/EffectNames.h"
#include "host/OutputPattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The arguments read as zrq-render reads them: --effect by the module's names.
Result<RenderOptions> Parse(std::vector<std::string_view> arguments) {
  Result<RenderOptions> parsed = ParseCommandLine(arguments);
  if (parsed.ok())
    if (Status resolved = ResolveEffect(parsed.value(), TestModule().Names()); !resolved.ok())
      return Error{resolved.message()};
  return parsed;
}

TEST(CommandLine, DefaultsRenderReplicateAtHalfFromTheTestCard) {
  Result<RenderOptions> parsed = Parse({"--output", "out.png"});
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  const RenderOptions &options = parsed.value();
  EXPECT_EQ(options.mode, RunMode::Picture);
  EXPECT_FALSE(options.effectId); // the project's, 2002 for a new one
  EXPECT_TRUE(options.keys.empty());
  EXPECT_EQ(options.time, 0.0);
  EXPECT_FALSE(options.curveSamples);
  EXPECT_TRUE(options.paramsFile.empty());
  EXPECT_TRUE(options.input.empty());
  EXPECT_EQ(options.cardSize, (FrameSize{1280, 720}));
  EXPECT_FALSE(options.frames);
  EXPECT_EQ(options.path, RenderPath::Software);
  EXPECT_FALSE(options.compare);
  EXPECT_TRUE(options.modulePath.empty()); // the one beside the program
}

TEST(CommandLine, ReadsTheRenderPathTheComparisonAndTheModule) {
  Result<RenderOptions> device =
      Parse({"--path", "device", "--module", "lib/m.so", "--output", "a.png"});
  ASSERT_TRUE(device.ok()) << device.message();
  EXPECT_EQ(device.value().path, RenderPath::Device);
  EXPECT_EQ(device.value().modulePath, "lib/m.so");

  // Compared frames need not be written; with --output they are those of --path.
  Result<RenderOptions> measured = Parse({"--compare", "--frames", "4", "--effect", "wave"});
  ASSERT_TRUE(measured.ok()) << measured.message();
  EXPECT_EQ(measured.value().mode, RunMode::Picture);
  EXPECT_TRUE(measured.value().compare);
  EXPECT_TRUE(measured.value().output.empty());
  Result<RenderOptions> raw = Parse({"--compare", "--path=device", "--raw", "8x8", "-o", "o.raw"});
  ASSERT_TRUE(raw.ok()) << raw.message();
  EXPECT_EQ(raw.value().mode, RunMode::RawStream);
  EXPECT_EQ(raw.value().path, RenderPath::Device);
  EXPECT_TRUE(Parse({"--demo", "d", "--module", "m.so"}).ok());
}

TEST(CommandLine, AcceptsEveryWayOfWritingTheFlags) {
  struct Case {
    std::vector<std::string_view> arguments;
    LONG effectId;
    double value;
  };
  const Case cases[] = {
      {{"--effect", "wave", "--value", "40", "-o", "a.png"}, 2001, 40.0},
      {{"--effect=MIRROR FROM TOP", "--value=12.5", "--output=a.png"}, 2003, 12.5},
      {{"-e", "color-shift-diagonal", "--value", "1e2", "--output", "a.png"}, 2009, 100.0},
      {{"--effect", "2010", "--value", "0", "--output", "a.png"}, 2010, 0.0},
      {{"--effect", "panel_rotate", "--output", "a.png", "--value", "-0"}, 2010, 0.0},
  };
  for (const Case &c : cases) {
    Result<RenderOptions> parsed = Parse(c.arguments);
    ASSERT_TRUE(parsed.ok()) << c.arguments[0] << ": " << parsed.message();
    EXPECT_EQ(parsed.value().effectId, c.effectId) << c.arguments[0];
    // --value is one key frame at the start, held over the whole clip.
    ASSERT_EQ(parsed.value().keys.size(), 1u) << c.arguments[0];
    EXPECT_EQ(parsed.value().keys[0], (KeyFrameArgument{0.0, c.value})) << c.arguments[0];
    EXPECT_FALSE(std::signbit(parsed.value().keys[0].percent));
  }
}

TEST(CommandLine, ReadsRawStreamsRampsAndTheDemo) {
  Result<RenderOptions> raw = Parse({"--raw", "1920x1080", "--input", "-", "--quiet"});
  ASSERT_TRUE(raw.ok()) << raw.message();
  EXPECT_EQ(raw.value().mode, RunMode::RawStream);
  EXPECT_EQ(raw.value().rawSize, (FrameSize{1920, 1080}));
  EXPECT_TRUE(raw.value().input.empty()); // "-" is standard input
  EXPECT_TRUE(raw.value().quiet);

  Result<RenderOptions> ramp =
      Parse({"--frames", "5", "--from", "10", "--to", "90", "--output", "f_%03d.png"});
  ASSERT_TRUE(ramp.ok()) << ramp.message();
  EXPECT_EQ(*ramp.value().frames, 5);
  EXPECT_EQ(ramp.value().keys, (std::vector<KeyFrameArgument>{{0.0, 10.0}, {1.0, 90.0}}));

  // --from defaults to --value (else 50) and --to to --from.
  Result<RenderOptions> up =
      Parse({"--frames", "3", "--value", "30", "--to", "90", "--raw", "4x4"});
  ASSERT_TRUE(up.ok()) << up.message();
  EXPECT_EQ(up.value().keys, (std::vector<KeyFrameArgument>{{0.0, 30.0}, {1.0, 90.0}}));
  Result<RenderOptions> flat = Parse({"--from", "20", "--raw", "4x4"});
  ASSERT_TRUE(flat.ok()) << flat.message();
  EXPECT_EQ(flat.value().keys, (std::vector<KeyFrameArgument>{{0.0, 20.0}, {1.0, 20.0}}));
  Result<RenderOptions> down = Parse({"--to", "0", "--raw", "4x4"});
  ASSERT_TRUE(down.ok()) << down.message();
  EXPECT_EQ(down.value().keys, (std::vector<KeyFrameArgument>{{0.0, 50.0}, {1.0, 0.0}}));

  Result<RenderOptions> demo = Parse({"--demo", "out/demo", "--size", "64x36"});
  ASSERT_TRUE(demo.ok()) << demo.message();
  EXPECT_EQ(demo.value().mode, RunMode::Demo);
  EXPECT_EQ(demo.value().cardSize, (FrameSize{64, 36}));

  // --help wins over anything else on the line, even mistakes.
  EXPECT_EQ(Parse({"--bogus", "--help"}).value().mode, RunMode::Help);
}

TEST(CommandLine, ReadsKeyFramesTimesCurvesAndProjects) {
  Result<RenderOptions> keys =
      Parse({"--key", "0.75=80.5", "-k", "0.25=40", "--key=1=0", "--output", "a.png"});
  ASSERT_TRUE(keys.ok()) << keys.message();
  // In the order given: the parameter set orders them by time.
  EXPECT_EQ(keys.value().keys,
            (std::vector<KeyFrameArgument>{{0.75, 80.5}, {0.25, 40.0}, {1.0, 0.0}}));

  Result<RenderOptions> single = Parse(
      {"--key", "0=0", "--key", "1=100", "--time", "0.25", "--frames", "1", "--output", "a.png"});
  ASSERT_TRUE(single.ok()) << single.message();
  EXPECT_EQ(single.value().time, 0.25);

  // --curve alone renders nothing; beside --output it does both.
  Result<RenderOptions> curve = Parse({"--curve"});
  ASSERT_TRUE(curve.ok()) << curve.message();
  EXPECT_EQ(curve.value().mode, RunMode::NoPicture);
  EXPECT_EQ(curve.value().curveSamples, kDefaultCurveSamples);
  Result<RenderOptions> both = Parse({"--curve=5", "--output", "a.png"});
  ASSERT_TRUE(both.ok()) << both.message();
  EXPECT_EQ(both.value().mode, RunMode::Picture);
  EXPECT_EQ(both.value().curveSamples, 5);
  Result<RenderOptions> raw = Parse({"--curve", "21", "--raw", "4x4", "--output", "o.raw"});
  ASSERT_TRUE(raw.ok()) << raw.message();
  EXPECT_EQ(raw.value().curveSamples, 21);

  Result<RenderOptions> project =
      Parse({"--params", "in.xml", "--save-params", "out.xml", "--output", "a.png"});
  ASSERT_TRUE(project.ok()) << project.message();
  EXPECT_EQ(project.value().paramsFile, "in.xml");
  EXPECT_EQ(project.value().saveParamsFile, "out.xml");
  EXPECT_TRUE(project.value().keys.empty()); // the project's key frames stand
  EXPECT_FALSE(project.value().effectId);
  Result<RenderOptions> saveOnly =
      Parse({"--params", "in.xml", "--key", "0=5", "--save-params", "out.xml"});
  ASSERT_TRUE(saveOnly.ok()) << saveOnly.message();
  EXPECT_EQ(saveOnly.value().mode, RunMode::NoPicture);
}

TEST(CommandLine, RefusesBadUsageWithAReasonNamingTheFlag) {
  struct Case {
    std::vector<std::string_view> arguments;
    std::string_view mentions;
  };
  const Case cases[] = {
      {{}, "--output"},
      {{"--output"}, "--output needs a value"},
      {{"--output", ""}, "--output"},
      {{"--effect", "swirl", "--output", "a.png"}, "Panel Rotate (2010)"},
      {{"--effect", "2011", "--output", "a.png"}, "--effect"},
      {{"--effect", "2000", "--output", "a.png"}, "--effect"},
      {{"--value", "abc", "--output", "a.png"}, "--value"},
      {{"--value", "nan", "--output", "a.png"}, "--value"},
      {{"--value", "inf", "--output", "a.png"}, "--value"},
      {{"--value", "1e999", "--output", "a.png"}, "'1e999' is too large to be held as a number"},
      {{"--value", "1e-400", "--output", "a.png"},
       "'1e-400' is too close to 0 to be held as a number"},
      {{"--value", "100.5", "--output", "a.png"}, "0..100"},
      {{"--value", "-1", "--output", "a.png"}, "--value"},
      {{"--value", " 5", "--output", "a.png"}, "--value"},
      {{"--value", "5%", "--output", "a.png"}, "--value"},
      {{"--value", "5", "--value", "6", "--output", "a.png"}, "more than once"},
      {{"--size", "0x720", "--output", "a.png"}, "--size"},
      {{"--size", "1280x-720", "--output", "a.png"}, "--size"},
      {{"--size", "16385x2", "--output", "a.png"}, "--size"},
      {{"--size", "99999999999999999999x2", "--output", "a.png"}, "--size"},
      {{"--size", "1280", "--output", "a.png"}, "--size"},
      {{"--size", "1280x720x3", "--output", "a.png"}, "--size"},
      {{"--raw", "0x0"}, "--raw"},
      {{"--raw", "wide"}, "--raw"},
      {{"--raw", "4x4", "--size", "4x4"}, "--size"},
      {{"--frames", "0", "--raw", "4x4"}, "--frames"},
      {{"--frames", "-3", "--raw", "4x4"}, "--frames"},
      {{"--frames", "2.5", "--raw", "4x4"}, "--frames"},
      {{"--frames", "9223372036854775808", "--raw", "4x4"}, "--frames"},
      {{"--frames", "2", "--value", "5", "--from", "1", "--to", "2", "--raw", "4x4"}, "--value"},
      {{"--frames", "2", "--output", "a.png"}, "numbered file name"},
      {{"--frames", "2", "--output", "a_%d_%d.png"}, "more than one"},
      {{"--output", "a_%s.png"}, "%s"},
      {{"--output", "a_%n.png"}, "--output"},
      {{"--output", "50%.png"}, "--output"},
      {{"--input", "a.png", "--size", "8x8", "--output", "b.png"}, "--size"},
      {{"--output", "-"}, "--raw"},
      {{"--input", "-", "--output", "b.png"}, "--raw"},
      {{"--demo", "d", "--effect", "wave"}, "--effect"},
      {{"--demo", "d", "--raw", "4x4"}, "--raw"},
      {{"--key", "1.5=10", "--output", "a.png"}, "0..1"},
      {{"--key", "-0.1=10", "--output", "a.png"}, "0..1"},
      {{"--key", "nan=10", "--output", "a.png"}, "finite"},
      {{"--key", "inf=10", "--output", "a.png"}, "finite"},
      {{"--key", "0.5=nan", "--output", "a.png"}, "finite"},
      {{"--key", "0.5=101", "--output", "a.png"}, "0..100"},
      {{"--key", "0.5", "--output", "a.png"}, "T=V"},
      {{"--key", "0.5=", "--output", "a.png"}, "--key"},
      {{"--key", "=5", "--output", "a.png"}, "--key"},
      {{"--key", "0.5=1", "-k", "0.50=2", "--output", "a.png"}, "two key frames at time 0.50"},
      {{"--key", "0=1", "--value", "5", "--output", "a.png"}, "--value cannot be used with --key"},
      {{"--from", "5", "--key", "0=1", "--output", "a.png"}, "--from cannot be used with --key"},
      {{"--time", "nan", "--output", "a.png"}, "--time"},
      {{"--time", "1.01", "--output", "a.png"}, "0..1"},
      {{"--time", "0.5", "--frames", "3", "--output", "a_%d.png"}, "--time"},
      {{"--curve", "1"}, "2..10001"},
      {{"--curve", "many"}, "--curve"},
      {{"--curve", "--raw", "4x4"}, "--output FILE"},
      {{"--curve", "--input", "a.png"}, "--input cannot be used with no --output"},
      {{"--save-params", "p.xml", "--frames", "3"}, "--frames"},
      {{"--params", "", "--output", "a.png"}, "--params"},
      {{"--save-params=", "--output", "a.png"}, "--save-params"},
      {{"--demo", "d", "--key", "0=1"}, "--key"},
      {{"--demo", "d", "--params", "p.xml"}, "--params"},
      {{"--path", "gpu", "--output", "a.png"}, "choose software or device"},
      {{"--path", "Device", "--output", "a.png"}, "--path"},
      {{"--path", "device", "--curve"}, "--path cannot be used with no --output"},
      {{"--compare", "--raw", "4x4"}, "--compare prints on standard output"},
      {{"--demo", "d", "--compare"}, "--compare cannot be used with --demo"},
      {{"--demo", "d", "--path", "device"}, "--path"},
      {{"--module", "", "--output", "a.png"}, "--module needs a file name"},
      {{"--quiet=yes", "--output", "a.png"}, "--quiet takes no value"},
      {{"--colour", "red"}, "unknown option '--colour'"},
      {{"stray.png"}, "unexpected argument 'stray.png'"},
      {{"stray\n\x1b[2J.png"}, "unexpected argument 'stray\\n\\x1B[2J.png'"},
      {{"--save-params", "a.png", "--output", "a.png"},
       "--save-params and --output both name 'a.png'"},
      {{"--save-params", "./a.png", "--output", "a.png"}, "both name './a.png'"},
      {{"--save-params", "s_3.png", "--frames", "5", "--output", "s_%d.png"},
       "both name 's_3.png'"},
      {{"--raw", "4x4", "--save-params", "o.raw", "-o", "o.raw"}, "both name 'o.raw'"},
  };
  for (const Case &c : cases) {
    std::string line;
    for (std::string_view argument : c.arguments) line += std::string(argument) + " ";
    Result<RenderOptions> parsed = Parse(c.arguments);
    ASSERT_FALSE(parsed.ok()) << line;
    EXPECT_NE(parsed.message().find(c.mentions), std::string::npos)
        << line << "gave: " << parsed.message();
    EXPECT_EQ(parsed.message().find('\n'), std::string::npos) << line;
  }
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElseOnTheLine) {
  const std::pair<std::vector<std::string_view>, RunMode> cases[] = {
      {{"--version"}, RunMode::Version},
      {{"--version", "--version"}, RunMode::Version},
      {{"--version", "--bogus", "x"}, RunMode::Version},
      {{"--help", "--help"}, RunMode::Help},
      {{"--version", "-h"}, RunMode::Help},
  };
  for (const auto &[arguments, mode] : cases) {
    Result<RenderOptions> parsed = Parse(arguments);
    ASSERT_TRUE(parsed.ok()) << arguments.size() << ": " << parsed.message();
    EXPECT_EQ(parsed.value().mode, mode);
  }
}

TEST(CommandLine, FindsTheRepeatedTimeAmongManyKeyFramesAndKeepsTheOthersApart) {
  std::vector<std::string> texts;
  for (int i = 0; i < 10000; ++i)
    texts.push_back(std::to_string(i / 10000.0) + "=" + std::to_string(i % 101));
  std::vector<std::string_view> arguments{"--curve"};
  for (const std::string &text : texts) {
    arguments.push_back("--key");
    arguments.push_back(text);
  }
  Result<RenderOptions> many = Parse(arguments);
  ASSERT_TRUE(many.ok()) << many.message();
  EXPECT_EQ(many.value().keys.size(), 10000u);
  // The second of the two is named, as written.
  arguments.insert(arguments.begin() + 5003, {"--key", "0.25=3"}); // after the 2501st, at 0.25
  Result<RenderOptions> repeated = Parse(arguments);
  ASSERT_FALSE(repeated.ok());
  EXPECT_NE(repeated.message().find("two key frames at time 0.25"), std::string::npos)
      << repeated.message();
}

TEST(EffectNames, FindsEveryEffectOfTheModulesStringTableByNameSlugAndIdentifier) {
  const EffectNames &names = TestModule().Names();
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    EXPECT_FALSE(names.DisplayName(id).empty()) << id;
    EXPECT_EQ(names.Find(names.DisplayName(id)), id);
    EXPECT_EQ(names.Find(names.Slug(id)), id);
    EXPECT_EQ(names.Find(std::to_string(id)), id);
  }
  EXPECT_EQ(names.DisplayName(WaveEffectId), "Wave");
  EXPECT_EQ(names.DisplayName(PanelRotateEffectId), "Panel Rotate");
  EXPECT_EQ(names.Slug(ColorShiftHorizontalEffectId), "color-shift-horizontal");
  EXPECT_EQ(names.Find("mIrRoR fRoM lEfT"), MirrorFromLeftEffectId);
  EXPECT_FALSE(names.Find(""));
  EXPECT_FALSE(names.Find("Mirror"));
  EXPECT_FALSE(names.Find("Wave "));
  EXPECT_FALSE(names.Find("+2001"));
  EXPECT_TRUE(names.DisplayName(2000).empty());
  EXPECT_TRUE(names.DisplayName(2011).empty());
  // A handle without a string table gives no names, and finds effects by number only.
  EffectNames none = EffectNames::FromStringTable(nullptr);
  EXPECT_TRUE(none.DisplayName(WaveEffectId).empty());
  EXPECT_FALSE(none.Find("wave"));
  EXPECT_EQ(none.Find("2001"), WaveEffectId);
}

TEST(OutputPattern, ExpandsOneFrameNumberAndKeepsLiteralPercents) {
  struct Case {
    std::string_view pattern;
    int64_t index;
    std::string_view name;
  };
  const Case cases[] = {
      {"out_%04d.png", 7, "out_0007.png"},
      {"out_%04d.png", 123456, "out_123456.png"},
      {"%d.png", 0, "0.png"},
      {"f%3d.png", 5, "f  5.png"},
      {"100%%_%02d.png", 3, "100%_03.png"},
      {"plain.png", 9, "plain.png"},
  };
  for (const Case &c : cases) {
    Result<OutputPattern> pattern = OutputPattern::Parse(c.pattern);
    ASSERT_TRUE(pattern.ok()) << c.pattern << ": " << pattern.message();
    EXPECT_EQ(pattern.value().Name(c.index), c.name);
    // And back: the frame a name belongs to.
    EXPECT_EQ(pattern.value().IndexOf(c.name), pattern.value().HasNumber() ? c.index : 0) << c.name;
  }
  OutputPattern padded = OutputPattern::Parse("out_%04d.png").value();
  for (std::string_view other :
       {"out_7.png", "out_00007.png", "out_-001.png", "out_.png", "out_0007.jpg", "x"})
    EXPECT_FALSE(padded.IndexOf(other)) << other;
  for (std::string_view bad : {"a%", "a%0", "a%-4d", "a%ld", "a%99999999999d", "%x%d"})
    EXPECT_FALSE(OutputPattern::Parse(bad).ok()) << bad;
}

} // namespace
