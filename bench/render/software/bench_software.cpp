// Frames per second of the ten software effects at 1920 x 1080 on one thread, each against a
// plain copy of one frame measured the same way: the frames cycle through more memory than any
// cache holds, as a video stream does. The effects whose routines come in several forms are
// measured in the form chosen for this processor and then in each form.
#include "render/software/CpuFeatures.h"
#include "render/software/SoftwareEffectProcessor.h"

#include "common/ColdFramePool.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr LONG kStride = kWidth * 4;
constexpr std::size_t kFrameBytes = std::size_t(kStride) * kHeight;
constexpr double kValue = 0.75;

struct EffectInfo {
  LONG id;
  const char *name;
  double target; // allowed time as a multiple of the cold copy
  std::optional<VariantRoutine> routine = std::nullopt; // when it comes in several forms
};

const EffectInfo kEffects[] = {
    {2001, "Wave", 4.0, VariantRoutine::kWave},
    {2002, "Replicate", 2.5},
    {2003, "Mirror from Top", 1.5},
    {2004, "Mirror from Bottom", 1.5},
    {2005, "Mirror from Left", 1.5},
    {2006, "Mirror from Right", 1.5},
    {2007, "Color Shift Horizontal", 2.5},
    {2008, "Color Shift Vertical", 2.5},
    {2009, "Color Shift Diagonal", 2.5},
    {2010, "Panel Rotate", 4.0, VariantRoutine::kPanelRotate},
};

// Argument 1 of an effect's benchmark: the form it is forced into, or this for the chosen one.
constexpr int kChosenForm = -1;

std::string Label(const EffectInfo &effect, int form) {
  if (form == kChosenForm) return effect.name;
  return std::string(effect.name) + " [" + VariantName(static_cast<RoutineVariant>(form)) + "]";
}

ColdFramePool &TheFrames() {
  static ColdFramePool frames(kFrameBytes);
  return frames;
}

void BM_Copy(benchmark::State &state) {
  ColdFramePool &frames = TheFrames();
  int pair = 0;
  for (auto _ : state) frames.Copy(pair++);
  state.SetLabel("memcpy copy");
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Effect(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  const int form = int(state.range(1));
  if (form != kChosenForm && !ForceVariant(*effect.routine, static_cast<RoutineVariant>(form))) {
    state.SkipWithError("this processor cannot run the form");
    return;
  }
  ColdFramePool &frames = TheFrames();
  SoftwareEffectProcessor processor(effect.id);
  processor.SetSize(kWidth, kHeight);
  processor.SetEffectValue(&kValue, sizeof kValue);
  const LONG strides[] = {kStride};
  int pair = 0;
  for (auto _ : state) {
    BYTE *sources[] = {frames.Source(pair)};
    const HRESULT hr = processor.ProcessFrame(sources, 0, strides, 0, frames.Destination(pair), 0,
                                              0, 0, 0, kStride);
    if (FAILED(hr)) {
      state.SkipWithError("ProcessFrame failed");
      break;
    }
    benchmark::ClobberMemory();
    ++pair;
  }
  if (form != kChosenForm) UnforceVariant(*effect.routine);
  state.SetLabel(Label(effect, form));
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// Keeps each run's processor time per frame, by label, so the summary can relate every effect
// to the copy. Processor time rather than wall time: the machines are shared.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration && run.iterations > 0)
        seconds[run.report_label] = run.cpu_accumulated_time / double(run.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
};

} // namespace

int main(int argc, char **argv) {
  benchmark::RegisterBenchmark("copy", BM_Copy)->Unit(benchmark::kMillisecond)->MinTime(0.5);
  for (int i = 0; i < int(std::size(kEffects)); ++i) {
    const EffectInfo &effect = kEffects[i];
    const std::string name = "effect/" + std::to_string(effect.id);
    benchmark::RegisterBenchmark(name.c_str(), BM_Effect)
        ->Args({i, kChosenForm})
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.5);
    if (!effect.routine) continue;
    for (RoutineVariant variant : VariantsOf(*effect.routine))
      benchmark::RegisterBenchmark((name + "/" + VariantName(variant)).c_str(), BM_Effect)
          ->Args({i, int(variant)})
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.5);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  const auto copy = reporter.seconds.find("memcpy copy");
  if (copy == reporter.seconds.end()) return 0;
  std::printf("\n1920 x 1080, one thread, effect value 0.75, %d frame pairs (%zu MB) in rotation "
              "(processor time)\n",
              TheFrames().Pairs(), TheFrames().TotalBytes() >> 20);
  std::printf("%-24s %9s %8s %9s %7s\n", "", "ms/frame", "fps", "x copy", "target");
  std::printf("%-24s %9.3f %8.0f %9s %7s\n", "memcpy copy", copy->second * 1e3, 1.0 / copy->second,
              "1.00", "");
  for (const EffectInfo &effect : kEffects) {
    const auto found = reporter.seconds.find(effect.name);
    if (found != reporter.seconds.end()) {
      const double ratio = found->second / copy->second;
      std::printf("%-24s %9.3f %8.0f %9.2f %6.1fx %s", effect.name, found->second * 1e3,
                  1.0 / found->second, ratio, effect.target,
                  ratio <= effect.target ? "met" : "MISSED");
      if (effect.routine) std::printf(" (%s form)", VariantName(PreferredVariant(*effect.routine)));
      std::printf("\n");
    }
    if (!effect.routine) continue;
    for (RoutineVariant variant : VariantsOf(*effect.routine)) {
      const auto form = reporter.seconds.find(Label(effect, int(variant)));
      if (form != reporter.seconds.end())
        std::printf("  %-22s %9.3f %8.0f %9.2f\n", VariantName(variant), form->second * 1e3,
                    1.0 / form->second, form->second / copy->second);
    }
  }
  return 0;
}
