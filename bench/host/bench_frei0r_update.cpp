// The frei0r plugins as a frei0r host drives them (dlopen, f0r_construct at 1920 x 1080, the
// "Effect Value" set, f0r_update on top-down frames), each effect's f0r_update against the
// module's own software path (PrepareSoftwareFrame and ProcessFrame through ISoftwareEffect)
// on the same cold frames, frame for frame in turn, and both against a cold frame copy. The
// plugin flips rows for the module and otherwise only calls it: within 1.5 x its software path.
#include "common/ColdFramePool.h"
#include "effect/EffectIds.h"
#include "host/EffectModule.h"
#include "host/EffectSetup.h"
#include "host/ProjectParameters.h"

#include <benchmark/benchmark.h>

#include "common/SummaryReporter.h"
#include <frei0r.h>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr LONG kStride = kWidth * 4;
constexpr std::size_t kFrameBytes = std::size_t(kStride) * kHeight;
constexpr double kPercent = 75.0;
constexpr double kTarget = 1.5; // f0r_update as a multiple of the module's software path

struct EffectInfo {
  LONG id;
  const char *plugin;
};
constexpr EffectInfo kEffects[] = {
    {WaveEffectId, "zrq_wave"},
    {ReplicateEffectId, "zrq_replicate"},
    {MirrorFromTopEffectId, "zrq_mirror_top"},
    {MirrorFromBottomEffectId, "zrq_mirror_bottom"},
    {MirrorFromLeftEffectId, "zrq_mirror_left"},
    {MirrorFromRightEffectId, "zrq_mirror_right"},
    {ColorShiftHorizontalEffectId, "zrq_color_shift_horizontal"},
    {ColorShiftVerticalEffectId, "zrq_color_shift_vertical"},
    {ColorShiftDiagonalEffectId, "zrq_color_shift_diagonal"},
    {PanelRotateEffectId, "zrq_panel_rotate"},
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

ColdFramePool &Frames() {
  static ColdFramePool frames(kFrameBytes);
  return frames;
}

const EffectModule *Module() {
  static const std::unique_ptr<EffectModule> module = [] {
    Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(EffectModule::DefaultPath());
    if (!loaded.ok()) {
      std::fprintf(stderr, "bench_frei0r: %s\n", loaded.message().c_str());
      return std::unique_ptr<EffectModule>();
    }
    return std::move(loaded.value());
  }();
  return module.get();
}

// The plugins the build puts in frei0r-1 beside the benchmark programs.
std::string PluginPath(const char *plugin) {
  char self[PATH_MAX] = {};
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string folder = length > 0 ? std::string(self, size_t(length)) : std::string();
  folder = folder.substr(0, folder.rfind('/') + 1);
  return folder + "frei0r-1/" + plugin + ".so";
}

// One plugin loaded and one instance of it, released in the order a host releases them.
class PluginInstance {
public:
  explicit PluginInstance(const char *plugin) {
    library = dlopen(PluginPath(plugin).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto init = reinterpret_cast<int (*)()>(dlsym(library, "f0r_init"));
    auto construct =
        reinterpret_cast<f0r_instance_t (*)(unsigned, unsigned)>(dlsym(library, "f0r_construct"));
    auto setParam = reinterpret_cast<void (*)(f0r_instance_t, f0r_param_t, int)>(
        dlsym(library, "f0r_set_param_value"));
    update = reinterpret_cast<void (*)(f0r_instance_t, double, const uint32_t *, uint32_t *)>(
        dlsym(library, "f0r_update"));
    destruct = reinterpret_cast<void (*)(f0r_instance_t)>(dlsym(library, "f0r_destruct"));
    deinit = reinterpret_cast<void (*)()>(dlsym(library, "f0r_deinit"));
    if (!init || !construct || !setParam || !update || !destruct || !deinit || init() != 1) return;
    initialised = true;
    instance = construct(kWidth, kHeight);
    f0r_param_double value = kPercent / 100.0;
    if (instance) setParam(instance, &value, 0);
  }
  ~PluginInstance() {
    if (instance) destruct(instance);
    if (initialised) deinit();
    if (library) dlclose(library);
  }
  bool Ready() const { return instance != nullptr; }
  void Update(const uint8_t *in, uint8_t *out) {
    update(instance, 0.0, reinterpret_cast<const uint32_t *>(in),
           reinterpret_cast<uint32_t *>(out));
  }

private:
  void *library = nullptr;
  bool initialised = false;
  f0r_instance_t instance = nullptr;
  void (*update)(f0r_instance_t, double, const uint32_t *, uint32_t *) = nullptr;
  void (*destruct)(f0r_instance_t) = nullptr;
  void (*deinit)() = nullptr;
};

// A fresh effect of the module on the software path at 75 from the start of the clip.
CComPtr<ISoftwareEffect> SoftwarePath(LONG effectId, std::optional<ProjectParameters> &keep) {
  if (!Module()) return nullptr;
  Result<ProjectParameters> project = ProjectParameters::Create(*Module());
  const KeyFrameArgument key{0.0, kPercent};
  if (!project.ok() || !project.value().SetEffectId(effectId).ok() ||
      !project.value().ReplaceKeyFrames({&key, 1}).ok())
    return nullptr;
  CComPtr<ISoftwareEffect> software;
  if (FAILED(project.value().Interface()->QueryInterface(IID_ISoftwareEffect,
                                                         reinterpret_cast<void **>(&software))) ||
      FAILED(software->SetFrameSize(kWidth, kHeight, 0, 0)) || !StartEffectOnPath(software).ok())
    return nullptr;
  keep.emplace(std::move(project.value()));
  return software;
}

void BM_ColdFrameCopy(benchmark::State &state) {
  ColdFramePool &frames = Frames();
  int pair = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    frames.Copy(pair++);
    state.SetIterationTime(Seconds(t0, Clock::now()));
  }
  state.counters["cold_copy_ms"] = frames.ColdCopySeconds() * 1e3;
}

// f0r_update and the module's software path frame for frame in turn, on different pairs of
// the pool, which goes first alternating (the second of a pair runs on warmed caches and clocks).
void BM_Frei0rUpdate(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  state.SetLabel(effect.plugin);
  ColdFramePool &frames = Frames();
  const double coldCopy = frames.ColdCopySeconds();
  PluginInstance plugin(effect.plugin);
  std::optional<ProjectParameters> project;
  CComPtr<ISoftwareEffect> software = SoftwarePath(effect.id, project);
  if (!plugin.Ready() || !software) {
    state.SkipWithError("the plugin or the module's software path cannot be set up");
    return;
  }
  LONG strides[1] = {kStride};
  const int half = frames.Pairs() / 2;
  auto throughPlugin = [&](int i) {
    const auto t0 = Clock::now();
    plugin.Update(frames.Source(i), frames.Destination(i));
    benchmark::ClobberMemory();
    return Seconds(t0, Clock::now());
  };
  auto throughModule = [&](int i) {
    BYTE *sources[1] = {frames.Source(i)};
    const auto t0 = Clock::now();
    HRESULT hr = software->PrepareSoftwareFrame(0.0, 0, 0);
    if (SUCCEEDED(hr))
      hr = software->ProcessFrame(sources, 0, strides, 0, frames.Destination(i), 0, 0, kWidth,
                                  kHeight, kStride);
    benchmark::ClobberMemory();
    return SUCCEEDED(hr) ? Seconds(t0, Clock::now()) : -1.0;
  };

  double pluginSeconds = 0, moduleSeconds = 0;
  int pair = 0;
  for (auto _ : state) {
    double pluginFrame, moduleFrame;
    if (pair % 2 == 0) {
      pluginFrame = throughPlugin(pair);
      moduleFrame = throughModule(pair + half);
    } else {
      moduleFrame = throughModule(pair + half);
      pluginFrame = throughPlugin(pair);
    }
    if (moduleFrame < 0) {
      state.SkipWithError("a frame failed");
      break;
    }
    pluginSeconds += pluginFrame;
    moduleSeconds += moduleFrame;
    state.SetIterationTime(pluginFrame);
    ++pair;
  }
  const double frameCount = double(state.iterations());
  state.counters["x_cold_copy"] = pluginSeconds / frameCount / coldCopy;
  state.counters["software_x_cold_copy"] = moduleSeconds / frameCount / coldCopy;
  state.counters["x_software"] = pluginSeconds / moduleSeconds;
}

} // namespace

int main(int argc, char **argv) {
  benchmark::RegisterBenchmark("cold_copy", BM_ColdFrameCopy)
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->MinTime(0.5);
  for (int i = 0; i < int(std::size(kEffects)); ++i)
    benchmark::RegisterBenchmark((std::string("frei0r/") + kEffects[i].plugin).c_str(),
                                 BM_Frei0rUpdate)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(0.5);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!Module()) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  ColdFramePool &frames = Frames();
  std::printf("\n1920 x 1080, effect value %.0f, a cold frame copy %.3f ms (%d frame pairs)\n",
              kPercent, frames.ColdCopySeconds() * 1e3, frames.Pairs());
  std::printf("%-28s %10s %10s %12s %s\n", "", "f0r_update", "software", "f0r/software", "");
  for (const EffectInfo &effect : kEffects) {
    const std::string name = std::string("frei0r/") + effect.plugin;
    const double ratio = reporter.Find(name, "x_software");
    std::printf("%-28s %10s %10s %12s %s\n", effect.plugin,
                Times(reporter.Find(name, "x_cold_copy"), 2).c_str(),
                Times(reporter.Find(name, "software_x_cold_copy"), 2).c_str(),
                Times(ratio, 3).c_str(),
                ratio < 0          ? ""
                : ratio <= kTarget ? "met"
                                   : "MISSED");
  }
  std::printf("f0r_update and software: multiples of the cold copy; f0r/software: the plugin's "
              "f0r_update against the module's software path (target %.1fx)\n",
              kTarget);
  return 0;
}
