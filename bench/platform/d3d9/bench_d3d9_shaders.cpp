// The shader paths of the software device at 1920×1080, as the module draws them: the wave's
// vertex shader over its 254-triangle mesh and the colour shift's pixel shader over one
// full-picture quad (at 0.75, where it reads the picture three times), each frame after a
// fresh picture is uploaded. Beside them the same renderers on their fallbacks, and everything
// as a multiple of a cold frame copy measured in the same run. Each frame starts as a host's
// does: the picture uploaded (a frame copy into the texture), then the target, depth and stencil
// cleared. The draw alone, the renderer's work, is also timed apart.
#include <d3d9.h>
#include <zrqd3d9ext.h>

#include <benchmark/benchmark.h>

#include "common/ColdFramePool.h"
#include "effect/EffectIds.h"
#include "host/common/ModelSpaceView.h"
#include "render/ColorShiftRenderer.h"
#include "render/WaveRenderer.h"

#include <chrono>
#include <cstring>
#include <memory>

namespace {

constexpr UINT kW = 1920, kH = 1080;
constexpr size_t kFrameBytes = size_t{kW} * kH * 4;

ColdFramePool &SharedFrames() {
  static ColdFramePool frames(kFrameBytes);
  return frames;
}

enum class Effect { Wave, ColorShift };
enum class Caps { Shaders, None };

class Host {
public:
  Host(Effect effect, Caps caps) {
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = kW;
    pp.BackBufferHeight = kH;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device_);
    if (caps == Caps::None) {
      ZRQ_D3D9_DEVICE_OPTIONS options{};
      ZrqD3D9SetDeviceOptions(device_, &options);
    }
    device_->CreateTexture(kW, kH, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture_,
                           nullptr);
    zrq::host::ApplyModelSpaceView(device_, kW, kH);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (effect == Effect::Wave)
      renderer_ = std::make_unique<WaveRenderer>();
    else
      renderer_ = std::make_unique<ColorShiftRenderer>(ColorShiftHorizontalEffectId);
    attached_ = SUCCEEDED(renderer_->Attach(device_, static_cast<float>(kW) / kH));
    renderer_->duration = 1.0;
  }
  ~Host() {
    renderer_.reset();
    texture_->Release();
    device_->Release();
    d3d_->Release();
  }

  bool Upload(const uint8_t *picture) {
    D3DLOCKED_RECT lr;
    if (!attached_ || FAILED(texture_->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD))) return false;
    for (UINT y = 0; y < kH; ++y)
      std::memcpy(static_cast<uint8_t *>(lr.pBits) + y * lr.Pitch, picture + y * kW * 4, kW * 4);
    texture_->UnlockRect(0);
    return true;
  }

  bool Clear() {
    return SUCCEEDED(device_->Clear(
        0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0));
  }

  bool Draw(double value) {
    const float aspect = static_cast<float>(kW) / kH;
    device_->BeginScene();
    renderer_->BeginFrame();
    renderer_->SetInputAspects(&aspect, 1);
    renderer_->SetEffectValue(&value, sizeof value);
    renderer_->SetTime(0.5);
    bool ok = SUCCEEDED(renderer_->UpdateGeometry());
    IDirect3DTexture9 *textures[1] = {texture_};
    ok = ok && SUCCEEDED(renderer_->Render(textures, 1));
    renderer_->EndFrame();
    device_->EndScene();
    return ok;
  }

private:
  IDirect3D9 *d3d_ = nullptr;
  IDirect3DDevice9 *device_ = nullptr;
  IDirect3DTexture9 *texture_ = nullptr;
  std::unique_ptr<DistortionRenderer> renderer_;
  bool attached_ = false;
};

void Report(benchmark::State &state, double seconds, int64_t frames) {
  const double perFrame = seconds / static_cast<double>(frames);
  state.counters["ms"] = perFrame * 1e3;
  state.counters["x_cold_copy"] = perFrame / SharedFrames().ColdCopySeconds();
}

// The draw alone, beside the whole frame.
void ReportDraw(benchmark::State &state, double seconds, int64_t frames) {
  const double perFrame = seconds / static_cast<double>(frames);
  state.counters["draw_ms"] = perFrame * 1e3;
  state.counters["draw_x"] = perFrame / SharedFrames().ColdCopySeconds();
}

void BM_ColdFrameCopy(benchmark::State &state) {
  ColdFramePool &f = SharedFrames();
  int i = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    f.Copy(i++);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  Report(state, seconds, state.iterations());
}

void Run(benchmark::State &state, Effect effect, Caps caps, double value) {
  ColdFramePool &f = SharedFrames();
  f.ColdCopySeconds();
  Host host(effect, caps);
  int i = 0;
  double seconds = 0, drawSeconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = host.Upload(f.Source(i++)) && host.Clear();
    const auto t1 = std::chrono::steady_clock::now();
    ok = ok && host.Draw(value);
    const auto t2 = std::chrono::steady_clock::now();
    if (!ok) state.SkipWithError("the frame failed");
    seconds += std::chrono::duration<double>(t2 - t0).count();
    drawSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  Report(state, seconds, state.iterations());
  ReportDraw(state, drawSeconds, state.iterations());
}

void BM_WaveVertexShader(benchmark::State &state) { Run(state, Effect::Wave, Caps::Shaders, 0.5); }
void BM_WaveFallback(benchmark::State &state) { Run(state, Effect::Wave, Caps::None, 0.5); }
void BM_ColorShiftPixelShader(benchmark::State &state) {
  Run(state, Effect::ColorShift, Caps::Shaders, 0.75);
}
void BM_ColorShiftFallback(benchmark::State &state) {
  Run(state, Effect::ColorShift, Caps::None, 0.75);
}

BENCHMARK(BM_ColdFrameCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WaveVertexShader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WaveFallback)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColorShiftPixelShader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ColorShiftFallback)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
