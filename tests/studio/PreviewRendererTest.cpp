// What the preview renders with: the parameter set read from the edited effect, brought to the
// preview's own effects, and the pictures they render on both paths after each change.
#include <gtest/gtest.h>

#include "HostTestSupport.h"
#include "host/EffectParameterIds.h"
#include "host/EffectSetup.h"
#include "host/ProjectParameters.h"
#include "host/zrq-studio/ParameterSnapshot.h"
#include "host/zrq-studio/PreviewRenderer.h"
#include "host/zrq-studio/StudioPanel.h"
#include "proppage/PageControlIds.h"

namespace {

constexpr LONG kWave = 2001;
constexpr LONG kMirrorFromTop = 2003;
constexpr LONG kCurrentTime = 20;

ProjectParameters NewProject() {
  Result<ProjectParameters> made = ProjectParameters::Create(TestModule());
  EXPECT_TRUE(made.ok()) << made.message();
  return std::move(made.value());
}

ParameterSnapshot Snapshot(const ProjectParameters &project) {
  Result<ParameterSnapshot> read = ParameterSnapshot::Read(project.Interface());
  EXPECT_TRUE(read.ok()) << read.message();
  return read.value();
}

void SetKey(const ProjectParameters &project, double time, double percent) {
  ASSERT_EQ(project.Interface()->SetKeyFrameValue(time, kStartOffsetKeyFrames,
                                                  kEffectValueParameter, KeyFrameValue(percent)),
            S_OK);
}

double ValueAt(const ProjectParameters &project, double time) {
  CComVariant value;
  EXPECT_EQ(project.Interface()->GetValueAtTime(time, kEffectValueParameter, &value), S_OK);
  EXPECT_EQ(value.ChangeType(VT_R8), S_OK);
  return value.dblVal;
}

TEST(ParameterSnapshot, OnlyChangesThatRenderDifferentlyCount) {
  ProjectParameters project = NewProject();
  const ParameterSnapshot before = Snapshot(project);
  EXPECT_EQ(before.EffectId(), 2002);
  EXPECT_TRUE(before.KeyFrames().empty());
  // The time cursor moves nothing in a picture.
  ASSERT_EQ(project.Interface()->SetValue(kCurrentTime, CComVariant(0.4)), S_OK);
  const ParameterSnapshot moved = Snapshot(project);
  EXPECT_DOUBLE_EQ(moved.CurrentTime(), 0.4);
  EXPECT_TRUE(moved.RendersLike(before));

  SetKey(project, 0.5, 30);
  const ParameterSnapshot keyed = Snapshot(project);
  EXPECT_FALSE(keyed.RendersLike(before));
  EXPECT_EQ(keyed.StartOffsetTimes(), std::vector<double>{0.5});
  SetKey(project, 0.5, 31);
  EXPECT_FALSE(Snapshot(project).RendersLike(keyed));
  ASSERT_TRUE(project.SetEffectId(kWave).ok());
  EXPECT_FALSE(Snapshot(project).RendersLike(before));
}

TEST(ParameterSnapshot, ApplyReplacesTheTargetsKeyFramesAndEffect) {
  ProjectParameters edited = NewProject();
  ASSERT_TRUE(edited.SetEffectId(kMirrorFromTop).ok());
  SetKey(edited, 0.2, 10);
  SetKey(edited, 0.8, 90);
  ProjectParameters target = NewProject();
  SetKey(target, 0.5, 70); // stale: must not survive
  ASSERT_TRUE(Snapshot(edited).ApplyTo(target.Interface()).ok());
  const ParameterSnapshot copied = Snapshot(target);
  EXPECT_EQ(copied.EffectId(), kMirrorFromTop);
  EXPECT_EQ(copied.StartOffsetTimes(), (std::vector<double>{0.2, 0.8}));
  EXPECT_TRUE(copied.RendersLike(Snapshot(edited)));
  EXPECT_DOUBLE_EQ(ValueAt(target, 0.5), 50.0);
}

TEST(ParameterSnapshot, WithoutKeyFramesTheShownValueHoldsFromTheStart) {
  ProjectParameters edited = NewProject();
  ASSERT_EQ(edited.Interface()->SetValue(kEffectValueParameter, CComVariant(short(35))), S_OK);
  ProjectParameters target = NewProject();
  ASSERT_TRUE(Snapshot(edited).ApplyTo(target.Interface()).ok());
  EXPECT_DOUBLE_EQ(ValueAt(target, 0.0), 35.0);
  EXPECT_DOUBLE_EQ(ValueAt(target, 0.9), 35.0);
}

TEST(PreviewRenderer, EachPathFollowsEveryChangeOfTheParameters) {
  const Frame source = PatternFrame({64, 48});
  PreviewRenderer renderer(TestModule(), source.Size());
  ProjectParameters edited = NewProject();
  for (RenderPath path : {RenderPath::Software, RenderPath::Device}) {
    SCOPED_TRACE(std::string(RenderPathName(path)));
    ASSERT_TRUE(edited.SetEffectId(kWave).ok());
    ASSERT_EQ(edited.Interface()->RemoveAllKeyFrameValues(kEffectValueParameter, 7), S_OK);
    SetKey(edited, 0.0, 40);
    Result<const Frame *> wave = renderer.Render(Snapshot(edited), source, 0.3, path);
    ASSERT_TRUE(wave.ok()) << wave.message();
    EXPECT_TRUE(SamePixels(*wave.value(), RenderOnPath(path, kWave, 40, source)));

    // Another effect and another value: nothing of the wave may stay behind.
    ASSERT_TRUE(edited.SetEffectId(kMirrorFromTop).ok());
    SetKey(edited, 0.0, 100);
    Result<const Frame *> mirror = renderer.Render(Snapshot(edited), source, 0.3, path);
    ASSERT_TRUE(mirror.ok()) << mirror.message();
    EXPECT_TRUE(SamePixels(*mirror.value(), RenderOnPath(path, kMirrorFromTop, 100, source)));
  }
}

TEST(PreviewRenderer, RefusesAPictureOfAnotherSize) {
  PreviewRenderer renderer(TestModule(), {64, 48});
  ProjectParameters edited = NewProject();
  EXPECT_FALSE(
      renderer.Render(Snapshot(edited), PatternFrame({48, 64}), 0.0, RenderPath::Software).ok());
}

TEST(StudioPanel, TypesTheTimeIntoTheFieldThePageTemplateNumbers) {
  EXPECT_EQ(kPageTimeFieldId, TimeFieldId);
}

} // namespace
