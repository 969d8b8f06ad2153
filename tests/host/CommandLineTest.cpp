#include "host/ArgumentValues.h"
#include "host/CommandLine.h"
#include "host/EffectNames.h"
#include "host/EffectValueSchedule.h"
#include "host/OutputPattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

Result<RenderOptions> Parse(std::vector<std::string_view> arguments) {
  return ParseCommandLine(arguments);
}

TEST(CommandLine, DefaultsRenderReplicateAtHalfFromTheTestCard) {
  Result<RenderOptions> parsed = Parse({"--output", "out.png"});
  ASSERT_TRUE(parsed.ok()) << parsed.message();
  const RenderOptions &options = parsed.value();
  EXPECT_EQ(options.mode, RunMode::Picture);
  EXPECT_EQ(options.effectId, 2002);
  EXPECT_EQ(options.value, 50.0);
  EXPECT_TRUE(options.input.empty());
  EXPECT_EQ(options.cardSize, (FrameSize{1280, 720}));
  EXPECT_FALSE(options.frames);
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
    EXPECT_EQ(parsed.value().value, c.value) << c.arguments[0];
    EXPECT_FALSE(std::signbit(parsed.value().value));
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
  EXPECT_EQ(ramp.value().from, 10.0);
  EXPECT_EQ(ramp.value().to, 90.0);

  // --from defaults to --value and --to to --from.
  Result<RenderOptions> held = Parse({"--frames", "3", "--value", "30", "--raw", "4x4"});
  ASSERT_TRUE(held.ok()) << held.message();
  EXPECT_EQ(held.value().from, 30.0);
  EXPECT_EQ(held.value().to, 30.0);

  Result<RenderOptions> demo = Parse({"--demo", "out/demo", "--size", "64x36"});
  ASSERT_TRUE(demo.ok()) << demo.message();
  EXPECT_EQ(demo.value().mode, RunMode::Demo);
  EXPECT_EQ(demo.value().cardSize, (FrameSize{64, 36}));

  // --help wins over anything else on the line, even mistakes.
  EXPECT_EQ(Parse({"--bogus", "--help"}).value().mode, RunMode::Help);
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
      {{"--value", "1e999", "--output", "a.png"}, "--value"},
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
      {{"--from", "10", "--raw", "4x4"}, "--from"},
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
      {{"--quiet=yes", "--output", "a.png"}, "--quiet takes no value"},
      {{"--colour", "red"}, "unknown option '--colour'"},
      {{"stray.png"}, "unexpected argument 'stray.png'"},
  };
  for (const Case &c : cases) {
    std::string line;
    for (std::string_view argument : c.arguments)
      line += std::string(argument) + " ";
    Result<RenderOptions> parsed = Parse(c.arguments);
    ASSERT_FALSE(parsed.ok()) << line;
    EXPECT_NE(parsed.message().find(c.mentions), std::string::npos)
        << line << "gave: " << parsed.message();
    EXPECT_EQ(parsed.message().find('\n'), std::string::npos) << line;
  }
}

TEST(EffectNames, FindsEveryEffectByNameSlugAndIdentifier) {
  for (LONG id = kFirstEffectId; id <= kLastEffectId; ++id) {
    EXPECT_EQ(FindEffect(EffectDisplayName(id)), id);
    EXPECT_EQ(FindEffect(EffectSlug(id)), id);
    EXPECT_EQ(FindEffect(std::to_string(id)), id);
  }
  EXPECT_EQ(EffectSlug(2007), "color-shift-horizontal");
  EXPECT_EQ(FindEffect("mIrRoR fRoM lEfT"), 2005);
  EXPECT_FALSE(FindEffect(""));
  EXPECT_FALSE(FindEffect("Mirror"));
  EXPECT_FALSE(FindEffect("Wave "));
  EXPECT_FALSE(FindEffect("+2001"));
  EXPECT_TRUE(EffectDisplayName(2000).empty());
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
  }
  for (std::string_view bad : {"a%", "a%0", "a%-4d", "a%ld", "a%99999999999d", "%x%d"})
    EXPECT_FALSE(OutputPattern::Parse(bad).ok()) << bad;
}

TEST(EffectValueSchedule, RampsInAStraightLineAndHitsBothEndsExactly) {
  EffectValueSchedule ramp = EffectValueSchedule::Ramp(0.1, 0.7, 7);
  EXPECT_EQ(ramp.ValueAt(0), 0.1);
  EXPECT_EQ(ramp.ValueAt(6), 0.7);
  EXPECT_DOUBLE_EQ(ramp.ValueAt(3), 0.4);
  EffectValueSchedule down = EffectValueSchedule::Ramp(100, 0, 5);
  EXPECT_EQ(down.ValueAt(1), 75.0);
  EXPECT_EQ(EffectValueSchedule::Ramp(20, 80, 1).ValueAt(0), 20.0);
  EXPECT_EQ(EffectValueSchedule::Constant(33).ValueAt(1000), 33.0);
}

} // namespace
