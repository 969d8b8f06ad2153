// The parameter set a run renders with: key frames from the flags, the value of each frame,
// projects loaded and overridden, and the --curve table.
#include "HostTestSupport.h"

#include "effect/EffectParameterTable.h"
#include "host/CommandLine.h"
#include "host/CurveTable.h"
#include "host/EffectParameterIds.h"
#include "host/EffectValueSchedule.h"
#include "host/ProjectParameters.h"
#include "params/KeyFrameGroup.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

// The host names parameters and groups by the numbers the module publishes.
static_assert(kEffectIdParameter == EffectIdParameter);
static_assert(kEffectValueParameter == EffectValueParameter);
static_assert(kStartOffsetKeyFrames == StartOffset);

Result<ProjectParameters> FromOptions(const RenderOptions &options,
                                      std::vector<std::string> *warnings) {
  return ProjectFromOptions(options, TestModule(), warnings);
}

ProjectParameters Project(const RenderOptions &options) {
  std::vector<std::string> warnings;
  Result<ProjectParameters> project = FromOptions(options, &warnings);
  EXPECT_TRUE(project.ok()) << project.message();
  EXPECT_TRUE(warnings.empty()) << warnings.front();
  return std::move(project.value());
}

ProjectParameters WithKeys(std::vector<KeyFrameArgument> keys) {
  RenderOptions options;
  options.keys = std::move(keys);
  return Project(options);
}

// The effect values (percent) of `frames` frames spread over the clip.
std::vector<double> FrameValues(const ProjectParameters &project, int64_t frames) {
  EffectValueSchedule schedule(project.Interface(), frames, 0.0);
  std::vector<double> values;
  for (int64_t i = 0; i < frames; ++i) {
    Result<double> value = schedule.ValueAt(i);
    EXPECT_TRUE(value.ok()) << value.message();
    values.push_back(value.ok() ? value.value() * 100.0 : -1.0);
  }
  return values;
}

void ExpectValues(const std::vector<double> &actual, const std::vector<double> &expected,
                  const char *setUp) {
  ASSERT_EQ(actual.size(), expected.size()) << setUp;
  for (size_t i = 0; i < actual.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], 1e-12) << setUp << ", frame " << i;
}

// A project document: "Effect ID" written as `effectId` with data type `idType`, then the
// group elements as given.
std::string Document(const std::string &effectId, const std::string &groups,
                     const std::string &idType = "i4") {
  return "<Project xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><ParameterSet><Parameter>"
         "<Value dt:dt=\"" +
         idType + "\">" + effectId +
         "</Value>"
         "<Name dt:dt=\"string\">Effect ID</Name></Parameter></ParameterSet>" +
         groups + "</Project>";
}

std::string KeyFrame(const std::string &time, const std::string &type, const std::string &value) {
  return "<KeyFrame><Time dt:dt=\"r8\">" + time + "</Time><Parameter><Value dt:dt=\"" + type +
         "\">" + value +
         "</Value><Name dt:dt=\"string\">Effect Value</Name></Parameter>"
         "</KeyFrame>";
}

CComVariant KeyValue(const ProjectParameters &project, double time, LONG code) {
  CComVariant value;
  EXPECT_EQ(project.Interface()->GetKeyFrameValue(time, code, EffectValueParameter, &value), S_OK)
      << time;
  return value;
}

TEST(FrameValues, FollowTheStraightLineBetweenKeyFramesAndHoldBeyondThem) {
  // Values worked out by hand on the normalised times 0, 1/8, ..., 1.
  ExpectValues(FrameValues(WithKeys({{0.25, 40}, {0.75, 80}}), 9),
               {40, 40, 40, 50, 60, 70, 80, 80, 80}, "40 at 1/4, 80 at 3/4");
  ExpectValues(FrameValues(WithKeys({{0, 0}, {0.5, 100}, {1, 0}}), 5), {0, 50, 100, 50, 0},
               "up and back down");
  ExpectValues(FrameValues(WithKeys({{1, 0}, {0, 100}}), 5), {100, 75, 50, 25, 0},
               "given out of order");
  ExpectValues(FrameValues(WithKeys({{0.3, 70}}), 4), {70, 70, 70, 70}, "a single key frame");
  // A whole value is kept as VT_I2, a fraction as VT_R8; the arithmetic of the straight
  // line turns both into 64-bit floats, so a mixed curve is the same line.
  ProjectParameters mixed = WithKeys({{0, 10}, {1, 12.5}});
  EXPECT_EQ(KeyValue(mixed, 0.0, StartOffset).vt, VT_I2);
  EXPECT_EQ(KeyValue(mixed, 1.0, StartOffset).vt, VT_R8);
  ExpectValues(FrameValues(mixed, 3), {10, 11.25, 12.5}, "VT_I2 to VT_R8");

  // The effect value handed on is the percentage times 0.01.
  EffectValueSchedule schedule(WithKeys({{0, 0}, {1, 100}}).Interface(), 5, 0.0);
  EXPECT_EQ(schedule.ValueAt(4).value(), 1.0);
  EXPECT_EQ(schedule.ValueAt(2).value(), 0.5);
}

TEST(FrameValues, SpreadFramesOverTheClipOrRenderOneAtItsTime) {
  ProjectParameters project = WithKeys({{0, 0}, {1, 100}});
  EffectValueSchedule spread(project.Interface(), 7, 0.5);
  EXPECT_EQ(spread.TimeOf(0), 0.0);
  EXPECT_EQ(spread.TimeOf(3), 0.5);
  EXPECT_EQ(spread.TimeOf(6), 1.0);
  // One frame, or a stream without a count: every frame at the time asked for.
  for (std::optional<int64_t> frames : {std::optional<int64_t>(1), std::optional<int64_t>()}) {
    EffectValueSchedule single(project.Interface(), frames, 0.25);
    EXPECT_EQ(single.TimeOf(0), 0.25);
    EXPECT_EQ(single.TimeOf(1000), 0.25);
    EXPECT_DOUBLE_EQ(single.ValueAt(1000).value(), 0.25);
  }
}

TEST(FrameValues, RefuseAValueThatIsNotANumberInsteadOfReadingIt) {
  ScratchFolder folder;
  // "Effect Value" held as text: before the first key frame the held text cannot become a
  // number, and between the two the arithmetic fails.
  WriteWholeFile(folder.File("p.xml"),
                 Document("2001", "<StartOffsetElements>" + KeyFrame("0.5", "string", "lots") +
                                      KeyFrame("0.75", "i2", "10") + "</StartOffsetElements>"));
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  Result<ProjectParameters> project = FromOptions(options, nullptr);
  ASSERT_TRUE(project.ok()) << project.message();
  Result<double> held = EffectValueSchedule::Evaluate(project.value().Interface(), 0.25);
  ASSERT_FALSE(held.ok());
  EXPECT_NE(held.message().find("not a number"), std::string::npos) << held.message();
  Result<double> between = EffectValueSchedule::Evaluate(project.value().Interface(), 0.6);
  ASSERT_FALSE(between.ok());
  EXPECT_NE(between.message().find("0x8002"), std::string::npos) << between.message();
}

TEST(Projects, StartFromTheEffectsOwnParametersOrFromADocument) {
  // A new project: Replicate, and the parameter's own value 50 held from time 0.
  ProjectParameters fresh = Project(RenderOptions{});
  EXPECT_EQ(fresh.EffectId().value(), 2002);
  EXPECT_EQ(fresh.KeyFrameCount().value(), 1u);
  CComVariant held = KeyValue(fresh, 0.0, StartOffset);
  EXPECT_EQ(held.vt, VT_I2);
  EXPECT_EQ(held.iVal, 50);

  ScratchFolder folder;
  WriteWholeFile(folder.File("p.xml"),
                 Document("2007", "<StartOffsetElements>" + KeyFrame("0.2", "i2", "30") +
                                      KeyFrame("0.6", "r8", "90") +
                                      "</StartOffsetElements>"
                                      "<PercentageElements>" +
                                      KeyFrame("1", "i2", "0") + "</PercentageElements>"));
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  ProjectParameters loaded = Project(options);
  EXPECT_EQ(loaded.EffectId().value(), 2007);
  EXPECT_EQ(loaded.KeyFrameTimes().value(), (std::vector<double>{0.2, 0.6, 1.0}));
  ExpectValues(FrameValues(loaded, 6), {30, 30, 60, 90, 45, 0}, "the document's key frames");

  // --effect and --key override it; key frames outside the start-offset group stay.
  options.effectId = 2005;
  options.keys = {{0.5, 100}};
  ProjectParameters overridden = Project(options);
  EXPECT_EQ(overridden.EffectId().value(), 2005);
  EXPECT_EQ(overridden.KeyFrameTimes().value(), (std::vector<double>{0.5, 1.0}));
  ExpectValues(FrameValues(overridden, 5), {100, 100, 100, 50, 0}, "overridden key frames");
  EXPECT_EQ(KeyValue(overridden, 1.0, Percentage).iVal, 0);
}

TEST(Projects, CopyToASecondEffectWithEveryGroupAndTheEffect) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("p.xml"),
                 Document("2009", "<StartOffsetElements>" + KeyFrame("0.2", "i2", "30") +
                                      KeyFrame("0.6", "r8", "90.5") +
                                      "</StartOffsetElements>"
                                      "<EndOffsetElements>" +
                                      KeyFrame("0.1", "i2", "7") + "</EndOffsetElements>"));
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  ProjectParameters original = Project(options);
  Result<ProjectParameters> copy = original.Copy(TestModule());
  ASSERT_TRUE(copy.ok()) << copy.message();
  EXPECT_NE(copy.value().Interface(), original.Interface());
  ASSERT_TRUE(original.Save(folder.File("original.xml")).ok());
  ASSERT_TRUE(copy.value().Save(folder.File("copy.xml")).ok());
  EXPECT_EQ(ReadWholeFile(folder.File("copy.xml")), ReadWholeFile(folder.File("original.xml")));
  EXPECT_EQ(copy.value().EffectId().value(), 2009);
  EXPECT_EQ(KeyValue(copy.value(), 0.1, EndOffset).iVal, 7);
}

TEST(Projects, LoadWithAWarningWhenAKeyFrameValueNamesNoParameter) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("p.xml"),
                 Document("2004", "<StartOffsetElements>" + KeyFrame("0", "i2", "5") +
                                      "</StartOffsetElements><PercentageElements>"
                                      "<KeyFrame><Time dt:dt=\"r8\">1</Time><Parameter>"
                                      "<Value dt:dt=\"i2\">9</Value></Parameter></KeyFrame>"
                                      "</PercentageElements>"));
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  std::vector<std::string> warnings;
  Result<ProjectParameters> project = FromOptions(options, &warnings);
  ASSERT_TRUE(project.ok()) << project.message();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("'" + folder.File("p.xml") + "'"), std::string::npos) << warnings[0];
  EXPECT_EQ(project.value().EffectId().value(), 2004);
}

TEST(Projects, SetTheEffectWhateverIntegerTypeTheDocumentGaveIt) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("p.xml"), Document("2003",
                                                "<StartOffsetElements>" + KeyFrame("0", "i2", "5") +
                                                    "</StartOffsetElements>",
                                                "i2"));
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  EXPECT_EQ(Project(options).EffectId().value(), 2003);
  options.effectId = 2010;
  EXPECT_EQ(Project(options).EffectId().value(), 2010);
}

TEST(Projects, RefuseDocumentsThatCannotRenderAndSayWhy) {
  ScratchFolder folder;
  const std::string keys =
      "<StartOffsetElements>" + KeyFrame("0", "i2", "5") + "</StartOffsetElements>";
  struct Case {
    const char *name;
    std::string text;
    std::vector<const char *> mentions;
  };
  const Case cases[] = {
      {"outside.xml", Document("2011", keys), {"outside.xml", "2011", "--effect"}},
      {"zero.xml", Document("0", keys), {"zero.xml", "is 0"}},
      {"keyless.xml", Document("2001", ""), {"keyless.xml", "no key frame", "--key"}},
      {"broken.xml", "<Project><ParameterSet>", {"broken.xml", "well-formed", "0x8007000D"}},
      {"badid.xml",
       "<P xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><ParameterSet><Parameter>"
       "<ParamID>twenty-one</ParamID><Value dt:dt=\"i2\">5</Value></Parameter></ParameterSet></P>",
       {"badid.xml", "0x80020005"}},
  };
  for (const Case &c : cases) {
    WriteWholeFile(folder.File(c.name), c.text);
    RenderOptions options;
    options.paramsFile = folder.File(c.name);
    Result<ProjectParameters> project = FromOptions(options, nullptr);
    ASSERT_FALSE(project.ok()) << c.name;
    for (const char *mention : c.mentions)
      EXPECT_NE(project.message().find(mention), std::string::npos)
          << c.name << " gave: " << project.message();
  }
  RenderOptions missing;
  missing.paramsFile = folder.File("missing.xml");
  Result<ProjectParameters> project = FromOptions(missing, nullptr);
  ASSERT_FALSE(project.ok());
  EXPECT_NE(project.message().find("0x80070002"), std::string::npos) << project.message();

  // A document outside the catalogue renders once --effect names one.
  RenderOptions fixed;
  fixed.paramsFile = folder.File("outside.xml");
  fixed.effectId = 2001;
  EXPECT_TRUE(FromOptions(fixed, nullptr).ok());
}

TEST(Projects, SayWhenTheyNameNoEffectAndTheDefaultIsUsed) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("p.xml"),
                 "<Project xmlns:dt=\"urn:schemas-microsoft-com:datatypes\"><StartOffsetElements>" +
                     KeyFrame("0", "i2", "5") + "</StartOffsetElements></Project>");
  RenderOptions options;
  options.paramsFile = folder.File("p.xml");
  std::vector<std::string> warnings;
  Result<ProjectParameters> project = FromOptions(options, &warnings);
  ASSERT_TRUE(project.ok()) << project.message();
  EXPECT_EQ(project.value().EffectId().value(), 2002);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("names no effect"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("Replicate (2002)"), std::string::npos) << warnings[0];

  // With --effect there is nothing to say; a document that names its effect says nothing.
  options.effectId = 2001;
  EXPECT_EQ(Project(options).EffectId().value(), 2001);
  WriteWholeFile(folder.File("named.xml"),
                 Document("2003", "<StartOffsetElements>" + KeyFrame("0", "i2", "5") +
                                      "</StartOffsetElements>"));
  RenderOptions named;
  named.paramsFile = folder.File("named.xml");
  EXPECT_EQ(Project(named).EffectId().value(), 2003);

  // A load that fails leaves the effect as it was.
  Result<ProjectParameters> fresh = ProjectParameters::Create(TestModule());
  ASSERT_TRUE(fresh.ok());
  WriteWholeFile(folder.File("broken.xml"), "<Project>");
  EXPECT_FALSE(fresh.value().Load(folder.File("broken.xml"), nullptr).ok());
  EXPECT_EQ(fresh.value().EffectId().value(), 2002);
}

// Key frames whose numbers the straight line cannot use stop the run before it renders, with
// the reason; times and values the command line would refuse but the module takes are told.
TEST(KeyFrameCheck, RefusesNumbersThatAreNotUsableAndTellsOfUnusualOnes) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double time;
    CComVariant value;
    const char *mentions;
  };
  CComVariant text(u"lots");
  CComVariant unsigned4;
  unsigned4.vt = VT_UI4;
  unsigned4.ulVal = 4;
  const Case cases[] = {
      {0.5, CComVariant(std::numeric_limits<double>::quiet_NaN()),
       "holds nan, which is not a finite number"},
      {0.5, CComVariant(-inf), "holds -inf, which is not a finite number"},
      {inf, CComVariant(50.0), "is at time inf, which is not a finite number"},
      {1e308, CComVariant(50.0), "is at time 1e+308, too far outside the clip"},
      {0.5, text, "holds a value that is not a number"},
      {0.5, unsigned4, "which the straight line cannot compute with"},
  };
  for (const Case &c : cases) {
    ProjectParameters project = WithKeys({{0, 10}, {1, 20}});
    ASSERT_EQ(
        project.Interface()->SetKeyFrameValue(c.time, EndOffset, EffectValueParameter, c.value),
        S_OK);
    std::vector<std::string> warnings;
    Status checked = project.CheckKeyFrames(&warnings);
    ASSERT_FALSE(checked.ok()) << c.mentions;
    EXPECT_NE(checked.message().find(c.mentions), std::string::npos) << checked.message();
  }

  ProjectParameters unusual = WithKeys({{0, 10}, {1, 20}});
  for (auto [time, value] : {std::pair{-0.05, 50.0}, {1.5, 150.0}, {0.5, -3.0}})
    ASSERT_EQ(unusual.Interface()->SetKeyFrameValue(time, Percentage, EffectValueParameter,
                                                    CComVariant(value)),
              S_OK);
  std::vector<std::string> warnings;
  ASSERT_TRUE(unusual.CheckKeyFrames(&warnings).ok());
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(
      warnings[0].rfind("2 key frames of \"Effect Value\" lie outside the clip's times 0..1", 0),
      0u)
      << warnings[0];
  EXPECT_EQ(warnings[1].rfind("2 key frames of \"Effect Value\" hold values outside 0..100", 0), 0u)
      << warnings[1];
  warnings.clear();
  ASSERT_TRUE(WithKeys({{0, 0}, {1, 100}}).CheckKeyFrames(&warnings).ok());
  EXPECT_TRUE(warnings.empty());
}

TEST(CurveTable, ListsTheRenderedLineAndTheSplineAtEvenTimes) {
  Result<std::string> table =
      CurveTable(WithKeys({{0, 0}, {0.5, 100}, {1, 0}}).Interface(), TestModule().Names(), 2001, 5);
  ASSERT_TRUE(table.ok()) << table.message();
  // The natural spline through (0, 0), (0.5, 100), (1, 0) has y'' = -1200 in the middle,
  // which lifts the quarter points by 1200 * 3/8 * 0.25 / 6 = 18.75.
  EXPECT_EQ(table.value(),
            "# \"Effect Value\" of Wave (2001): 'straight' is what a frame at that time renders "
            "with\n"
            "    time  straight    spline\n"
            "  0.0000     0.000     0.000\n"
            "  0.2500    50.000    68.750\n"
            "  0.5000   100.000   100.000\n"
            "  0.7500    50.000    68.750\n"
            "  1.0000     0.000     0.000\n");
  // Past the end key frames the line is held while the spline runs on.
  Result<std::string> ends =
      CurveTable(WithKeys({{0.25, 40}, {0.75, 80}}).Interface(), TestModule().Names(), 2002, 2);
  ASSERT_TRUE(ends.ok()) << ends.message();
  EXPECT_NE(ends.value().find("  0.0000    40.000    20.000\n  1.0000    80.000   100.000\n"),
            std::string::npos)
      << ends.value();
}

} // namespace
