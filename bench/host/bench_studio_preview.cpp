// zrq-studio's preview as the window drives it: PreviewRenderer::Render on the test card at
// 1280 x 720 right after a parameter change (each iteration alternates the key frame's value,
// so the preview's effect takes the new set before it renders), for every effect on both
// paths. The preview stays interactive within 20 ms a frame on the software path and 40 ms on
// the device path; the summary says which effects keep to that.
#include "effect/EffectIds.h"
#include "host/EffectModule.h"
#include "host/EffectSetup.h"
#include "host/ProjectParameters.h"
#include "host/TestCard.h"
#include "host/zrq-studio/ParameterSnapshot.h"
#include "host/zrq-studio/PreviewRenderer.h"

#include <benchmark/benchmark.h>

#include "common/SummaryReporter.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr FrameSize kSize{1280, 720};
constexpr double kSoftwareBudgetMs = 20.0;
constexpr double kDeviceBudgetMs = 40.0;
constexpr LONG kEffectValue = 21;
constexpr LONG kStartOffset = 1;

const EffectModule *Module() {
  static const std::unique_ptr<EffectModule> module = [] {
    Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(EffectModule::DefaultPath());
    if (!loaded.ok()) {
      std::fprintf(stderr, "bench_studio: %s\n", loaded.message().c_str());
      return std::unique_ptr<EffectModule>();
    }
    return std::move(loaded.value());
  }();
  return module.get();
}

// The edited set with the effect and one key frame at `percent`, as the window reads it.
Result<ParameterSnapshot> EditedSet(LONG effectId, double percent) {
  Result<ProjectParameters> project = ProjectParameters::Create(*Module());
  if (!project.ok()) return Error{project.message()};
  if (Status set = project.value().SetEffectId(effectId); !set.ok()) return Error{set.message()};
  project.value().Interface()->SetKeyFrameValue(0.0, kStartOffset, kEffectValue,
                                                KeyFrameValue(percent));
  return ParameterSnapshot::Read(project.value().Interface());
}

void BM_PreviewAfterChange(benchmark::State &state, LONG effectId, RenderPath path) {
  if (!Module()) {
    state.SkipWithError("the module did not load");
    return;
  }
  Result<Frame> card = MakeTestCard(kSize);
  Result<ParameterSnapshot> first = EditedSet(effectId, 40);
  Result<ParameterSnapshot> second = EditedSet(effectId, 60);
  if (!card.ok() || !first.ok() || !second.ok()) {
    state.SkipWithError("cannot set up the preview");
    return;
  }
  PreviewRenderer renderer(*Module(), kSize);
  if (!renderer.Render(first.value(), card.value(), 0.5, path).ok()) {
    state.SkipWithError("the preview does not render");
    return;
  }
  bool odd = false;
  for (auto _ : state) {
    odd = !odd;
    Result<const Frame *> picture =
        renderer.Render(odd ? second.value() : first.value(), card.value(), 0.5, path);
    if (!picture.ok()) {
      state.SkipWithError(picture.message().c_str());
      return;
    }
    benchmark::DoNotOptimize(picture.value()->Data());
  }
}

std::string Name(LONG effectId, RenderPath path) {
  return "preview/" + std::string(RenderPathName(path)) + "/" + std::to_string(effectId);
}

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  for (RenderPath path : {RenderPath::Software, RenderPath::Device})
    for (LONG id = WaveEffectId; id <= PanelRotateEffectId; ++id)
      benchmark::RegisterBenchmark(Name(id, path).c_str(), BM_PreviewAfterChange, id, path)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->MinTime(0.3);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nzrq-studio preview at %dx%d after a parameter change (ms a frame; budget "
              "%.0f software, %.0f device)\n%-8s %12s %12s\n",
              kSize.width, kSize.height, kSoftwareBudgetMs, kDeviceBudgetMs, "effect", "software",
              "device");
  for (LONG id = WaveEffectId; id <= PanelRotateEffectId; ++id) {
    const double software = reporter.Find(Name(id, RenderPath::Software), "ms");
    const double device = reporter.Find(Name(id, RenderPath::Device), "ms");
    std::printf("%-8ld %9.1f %-2s %9.1f %-2s\n", long(id), software,
                software >= 0 && software <= kSoftwareBudgetMs ? "ok" : "!!", device,
                device >= 0 && device <= kDeviceBudgetMs ? "ok" : "!!");
  }
  benchmark::Shutdown();
  return 0;
}
