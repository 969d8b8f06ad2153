// The module driven as a host drives it, at 1920 x 1080: every effect on the device path
// (PrepareFrame and RenderFrame on the platform's software Direct3D 9 device, a fresh picture
// uploaded into the texture before each frame, the read-back left out) and on the software
// path through ISoftwareEffect, the latter beside the processor called directly. Each is also
// a multiple of a cold frame copy measured in the same run.
#include "common/ColdFramePool.h"
#include "effect/EffectIds.h"
#include "host/DeviceTarget.h"
#include "host/EffectModule.h"
#include "host/FrameRenderer.h"
#include "host/ProjectParameters.h"
#include "render/software/SoftwareEffectProcessor.h"

#include <benchmark/benchmark.h>

#include "common/SummaryReporter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr LONG kStride = kWidth * 4;
constexpr std::size_t kFrameBytes = std::size_t(kStride) * kHeight;
constexpr double kPercent = 75.0;

struct EffectInfo {
  LONG id;
  const char *name;
  double deviceTarget; // (PrepareFrame + RenderFrame) as a multiple of the cold copy
};

// Without a pixel shader the colour shifts draw two or three blended passes.
constexpr EffectInfo kEffects[] = {
    {WaveEffectId, "Wave", 6},
    {ReplicateEffectId, "Replicate", 6},
    {MirrorFromTopEffectId, "Mirror from Top", 6},
    {MirrorFromBottomEffectId, "Mirror from Bottom", 6},
    {MirrorFromLeftEffectId, "Mirror from Left", 6},
    {MirrorFromRightEffectId, "Mirror from Right", 6},
    {ColorShiftHorizontalEffectId, "Color Shift Horizontal", 12},
    {ColorShiftVerticalEffectId, "Color Shift Vertical", 12},
    {ColorShiftDiagonalEffectId, "Color Shift Diagonal", 12},
    {PanelRotateEffectId, "Panel Rotate", 6},
};
// The software path through the module against the processor called directly.
constexpr double kSoftwareTarget = 1.03;

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
      std::fprintf(stderr, "bench_module: %s\n", loaded.message().c_str());
      return std::unique_ptr<EffectModule>();
    }
    return std::move(loaded.value());
  }();
  return module.get();
}

// A fresh effect of the module showing `effectId` at 75 from the start of the clip, or the
// reason it cannot be made.
Result<ProjectParameters> EffectFor(LONG effectId) {
  if (!Module()) return Error{"the module is not loaded"};
  Result<ProjectParameters> project = ProjectParameters::Create(*Module());
  if (!project.ok()) return project;
  const KeyFrameArgument key{0.0, kPercent};
  if (Status set = project.value().SetEffectId(effectId); !set.ok()) return Error{set.message()};
  if (Status set = project.value().ReplaceKeyFrames({&key, 1}); !set.ok())
    return Error{set.message()};
  return project;
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

void BM_DevicePath(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  state.SetLabel(effect.name);
  ColdFramePool &frames = Frames();
  const double coldCopy = frames.ColdCopySeconds();
  Result<ProjectParameters> project = EffectFor(effect.id);
  Result<std::unique_ptr<DeviceTarget>> target = DeviceTarget::Create({kWidth, kHeight});
  CComPtr<IDeviceEffect> device;
  if (!project.ok() || !target.ok() ||
      FAILED(project.value().Interface()->QueryInterface(IID_IDeviceEffect,
                                                         reinterpret_cast<void **>(&device))) ||
      FAILED(device->SetDevice(target.value()->Device(), kWidth, kHeight)) ||
      !StartEffectOnPath(device).ok()) {
    state.SkipWithError("the effect cannot be put on the device path");
    return;
  }
  IDirect3DDevice9 *d3d = target.value()->Device();
  IDirect3DTexture9 *textures[1] = {target.value()->Texture()};
  float aspect = float(kWidth) / float(kHeight);
  double drawSeconds = 0, uploadSeconds = 0;
  int pair = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const bool uploaded = target.value()->Upload(frames.Source(pair++)).ok();
    const auto t1 = Clock::now();
    const bool cleared = target.value()->Clear().ok();
    d3d->BeginScene();
    const auto t2 = Clock::now();
    HRESULT hr = device->PrepareFrame(0.0, &aspect, 1);
    if (SUCCEEDED(hr)) hr = device->RenderFrame(textures, 1);
    const auto t3 = Clock::now();
    d3d->EndScene();
    if (!uploaded || !cleared || FAILED(hr)) {
      state.SkipWithError("a frame failed");
      break;
    }
    uploadSeconds += Seconds(t0, t1);
    drawSeconds += Seconds(t2, t3);
    state.SetIterationTime(Seconds(t2, t3));
  }
  device->ReleaseDevice();
  const double frameCount = double(state.iterations());
  state.counters["x_cold_copy"] = drawSeconds / frameCount / coldCopy;
  state.counters["upload_x_cold_copy"] = uploadSeconds / frameCount / coldCopy;
  state.counters["target_x"] = effect.deviceTarget;
}

// The module's software path and the processor called directly, frame for frame in turn, so
// that both see the same machine and both read cold frames; which goes first alternates, since
// the second of a pair runs on caches and clocks the first has warmed.
void BM_SoftwarePath(benchmark::State &state) {
  const EffectInfo &effect = kEffects[state.range(0)];
  state.SetLabel(effect.name);
  ColdFramePool &frames = Frames();
  const double coldCopy = frames.ColdCopySeconds();
  Result<ProjectParameters> project = EffectFor(effect.id);
  CComPtr<ISoftwareEffect> software;
  if (!project.ok() ||
      FAILED(project.value().Interface()->QueryInterface(IID_ISoftwareEffect,
                                                         reinterpret_cast<void **>(&software))) ||
      FAILED(software->SetFrameSize(kWidth, kHeight, 0, 0)) || !StartEffectOnPath(software).ok()) {
    state.SkipWithError("the effect cannot be put on the software path");
    return;
  }
  SoftwareEffectProcessor processor(effect.id);
  processor.SetSize(kWidth, kHeight);
  const double value = kPercent * 0.01;
  LONG strides[1] = {kStride};
  const int half = frames.Pairs() / 2;

  // Each renders one frame of pair `i` and returns its seconds, or a negative number on failure.
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
  // As the tool called it before it hosted the module: the value, then the frame.
  auto direct = [&](int i) {
    BYTE *sources[1] = {frames.Source(i)};
    const auto t0 = Clock::now();
    processor.SetEffectValue(&value, sizeof value);
    HRESULT hr = processor.ProcessFrame(sources, 0, strides, 0, frames.Destination(i), 0, 0, kWidth,
                                        kHeight, kStride);
    benchmark::ClobberMemory();
    return SUCCEEDED(hr) ? Seconds(t0, Clock::now()) : -1.0;
  };

  double moduleSeconds = 0, directSeconds = 0;
  int pair = 0;
  for (auto _ : state) {
    double moduleFrame, directFrame;
    if (pair % 2 == 0) {
      moduleFrame = throughModule(pair);
      directFrame = direct(pair + half);
    } else {
      directFrame = direct(pair + half);
      moduleFrame = throughModule(pair);
    }
    if (moduleFrame < 0 || directFrame < 0) {
      state.SkipWithError("a frame failed");
      break;
    }
    moduleSeconds += moduleFrame;
    directSeconds += directFrame;
    state.SetIterationTime(moduleFrame);
    ++pair;
  }
  const double frameCount = double(state.iterations());
  state.counters["x_cold_copy"] = moduleSeconds / frameCount / coldCopy;
  state.counters["direct_x_cold_copy"] = directSeconds / frameCount / coldCopy;
  state.counters["module_per_direct"] = moduleSeconds / directSeconds;
}

const char *Verdict(double ratio, double target) {
  if (ratio < 0) return "";
  return ratio <= target ? "met" : "MISSED";
}

} // namespace

int main(int argc, char **argv) {
  benchmark::RegisterBenchmark("cold_copy", BM_ColdFrameCopy)
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->MinTime(0.5);
  for (int i = 0; i < int(std::size(kEffects)); ++i) {
    const std::string id = std::to_string(kEffects[i].id);
    benchmark::RegisterBenchmark(("device/" + id).c_str(), BM_DevicePath)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(0.5);
    benchmark::RegisterBenchmark(("software/" + id).c_str(), BM_SoftwarePath)
        ->Arg(i)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(0.5);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!Module()) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  ColdFramePool &frames = Frames();
  std::printf("\n1920 x 1080, effect value %.0f, a cold frame copy %.3f ms (%d frame pairs, %zu MB "
              "in rotation)\n",
              kPercent, frames.ColdCopySeconds() * 1e3, frames.Pairs(), frames.TotalBytes() >> 20);
  std::printf("%-24s %9s %7s %-6s %8s   %9s %-6s %9s\n", "", "device", "target", "", "upload",
              "sw/direct", "", "software");
  for (const EffectInfo &effect : kEffects) {
    const std::string id = std::to_string(effect.id);
    const double device = reporter.Find("device/" + id, "x_cold_copy");
    const double ratio = reporter.Find("software/" + id, "module_per_direct");
    std::printf("%-24s %9s %6.0fx %-6s %8s   %9s %-6s %9s\n", effect.name, Times(device, 1).c_str(),
                effect.deviceTarget, Verdict(device, effect.deviceTarget),
                Times(reporter.Find("device/" + id, "upload_x_cold_copy"), 2).c_str(),
                Times(ratio, 3).c_str(), Verdict(ratio, kSoftwareTarget),
                Times(reporter.Find("software/" + id, "x_cold_copy"), 2).c_str());
  }
  std::printf(
      "device: PrepareFrame + RenderFrame, and apart from it the upload, as multiples of the "
      "cold copy; sw/direct: the module's software path against the processor called "
      "directly (target %.2fx); software: the module's software path against the cold "
      "copy\n",
      kSoftwareTarget);
  return 0;
}
