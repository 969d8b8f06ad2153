// Frames of the software device at 1920×1080 as a video host draws them: a fresh picture
// uploaded into a texture each frame, then one full-picture quad (plain, alpha-blended, or
// depth tested after a depth clear and blended ONE/ZERO, as the shared draw layers its lists),
// an 8×8 grid of quads, or a strip of 254 thin triangles moved up and down (as the wave draws
// without a vertex shader), lit as the shared draw lights them. Each is also reported as a
// multiple of a cold frame copy measured in the same run.
#include <d3d9.h>

#include <benchmark/benchmark.h>

#include "common/ColdFramePool.h"
#include "host/common/ModelSpaceView.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr UINT kW = 1920, kH = 1080;
constexpr size_t kFrameBytes = size_t{kW} * kH * 4;

ColdFramePool &SharedFrames() {
  static ColdFramePool frames(kFrameBytes);
  return frames;
}

struct ModelVertex {
  float x, y, z, nx, ny, nz, u, v;
};

enum class Scene { Quad, BlendedQuad, DepthTestedQuad, Grid, Strip };

class Host {
public:
  explicit Host(bool depth) : depth_(depth) {
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = kW;
    pp.BackBufferHeight = kH;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = depth;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    d3d_->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device_);
    device_->CreateTexture(kW, kH, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture_,
                           nullptr);
    zrq::host::ApplyModelSpaceView(device_, kW, kH);
    D3DMATERIAL9 m = {};
    m.Diffuse = m.Ambient = m.Specular = {1, 1, 1, 1};
    m.Emissive = {0, 0, 0, 1};
    device_->SetMaterial(&m);
    device_->SetRenderState(D3DRS_LIGHTING, TRUE);
    device_->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device_->SetFVF(0x112);
  }
  ~Host() {
    device_->SetTexture(0, nullptr);
    device_->SetStreamSource(0, nullptr, 0, 0);
    device_->SetIndices(nullptr);
    if (vb_) vb_->Release();
    if (ib_) ib_->Release();
    texture_->Release();
    device_->Release();
    d3d_->Release();
  }

  // n × n quads tiling the picture, each textured with its piece.
  void Build(int n) {
    std::vector<ModelVertex> v;
    std::vector<WORD> idx;
    const float half = static_cast<float>(kH) / kW;
    for (int gy = 0; gy < n; ++gy)
      for (int gx = 0; gx < n; ++gx) {
        const float u0 = static_cast<float>(gx) / n, u1 = static_cast<float>(gx + 1) / n;
        const float v0 = static_cast<float>(gy) / n, v1 = static_cast<float>(gy + 1) / n;
        const WORD base = static_cast<WORD>(v.size());
        for (int k = 0; k < 4; ++k) {
          const float u = k & 1 ? u1 : u0, t = k & 2 ? v1 : v0;
          v.push_back({-1 + 2 * u, half - 2 * half * t, 0, 0, 0, -1, u, t});
        }
        for (WORD i : {0, 1, 2, 1, 3, 2}) idx.push_back(static_cast<WORD>(base + i));
      }
    Upload(v, idx, 6);
  }

  // Two rows of 128 vertices across the picture, moved up and down: 254 thin triangles.
  void BuildStrip() {
    constexpr int kColumns = 128;
    std::vector<ModelVertex> v;
    std::vector<WORD> idx;
    const float half = static_cast<float>(kH) / kW;
    for (int r = 0; r < 2; ++r)
      for (int k = 0; k < kColumns; ++k) {
        const float x = k * 2.0f / (kColumns - 1) - 1, offset = 0.3f * half * std::sin(k * 0.1f);
        v.push_back({x, (r ? 0.7f : -0.7f) * half + offset, 0, 0, 0, -1,
                     static_cast<float>(k) / (kColumns - 1), 1.0f - r});
      }
    for (int k = 1; k < kColumns; ++k) {
      const WORD bottom = static_cast<WORD>(k), top = static_cast<WORD>(k + kColumns);
      for (WORD i : {WORD(bottom - 1), WORD(top - 1), bottom, bottom, WORD(top - 1), top})
        idx.push_back(i);
    }
    Upload(v, idx, static_cast<int>(idx.size()));
  }

  bool Frame(const uint8_t *picture, Scene scene) {
    D3DLOCKED_RECT lr;
    if (FAILED(texture_->LockRect(0, &lr, nullptr, D3DLOCK_DISCARD))) return false;
    if (lr.Pitch == static_cast<INT>(kW * 4)) {
      std::memcpy(lr.pBits, picture, kFrameBytes);
    } else {
      for (UINT y = 0; y < kH; ++y)
        std::memcpy(static_cast<uint8_t *>(lr.pBits) + y * lr.Pitch, picture + y * kW * 4, kW * 4);
    }
    texture_->UnlockRect(0);
    const bool blend = scene == Scene::BlendedQuad, layered = scene == Scene::DepthTestedQuad;
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, blend || layered);
    device_->SetRenderState(D3DRS_SRCBLEND, blend ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
    device_->SetRenderState(D3DRS_DESTBLEND, blend ? D3DBLEND_INVSRCALPHA : D3DBLEND_ZERO);
    device_->BeginScene();
    if (depth_) device_->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    bool ok = true;
    for (int d = 0; d < draws_; ++d)
      ok = ok && SUCCEEDED(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertices_,
                                                         indicesPerDraw_ * d, indicesPerDraw_ / 3));
    device_->EndScene();
    return ok;
  }

private:
  // The mesh into buffers, drawn `perDraw` indices a draw.
  void Upload(const std::vector<ModelVertex> &v, const std::vector<WORD> &idx, int perDraw) {
    device_->CreateVertexBuffer(static_cast<UINT>(v.size() * sizeof(ModelVertex)), 0, 0x112,
                                D3DPOOL_DEFAULT, &vb_, nullptr);
    device_->CreateIndexBuffer(static_cast<UINT>(idx.size() * 2), D3DUSAGE_WRITEONLY,
                               D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib_, nullptr);
    void *p;
    vb_->Lock(0, 0, &p, 0);
    std::memcpy(p, v.data(), v.size() * sizeof(ModelVertex));
    vb_->Unlock();
    ib_->Lock(0, 0, &p, 0);
    std::memcpy(p, idx.data(), idx.size() * 2);
    ib_->Unlock();
    vertices_ = static_cast<UINT>(v.size());
    indicesPerDraw_ = perDraw;
    draws_ = static_cast<int>(idx.size()) / perDraw;
    device_->SetStreamSource(0, vb_, 0, sizeof(ModelVertex));
    device_->SetIndices(ib_);
    device_->SetTexture(0, texture_);
  }

  IDirect3D9 *d3d_ = nullptr;
  IDirect3DDevice9 *device_ = nullptr;
  IDirect3DTexture9 *texture_ = nullptr;
  IDirect3DVertexBuffer9 *vb_ = nullptr;
  IDirect3DIndexBuffer9 *ib_ = nullptr;
  bool depth_;
  UINT vertices_ = 0;
  int indicesPerDraw_ = 0, draws_ = 0;
};

void Report(benchmark::State &state, double seconds, int64_t frames) {
  const double perFrame = seconds / static_cast<double>(frames);
  state.counters["fps"] = 1.0 / perFrame;
  state.counters["ms"] = perFrame * 1e3;
  state.counters["x_cold_copy"] = perFrame / SharedFrames().ColdCopySeconds();
}

void BM_ColdFrameCopy(benchmark::State &state) {
  ColdFramePool &f = SharedFrames();
  int i = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    f.Copy(i);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ++i;
  }
  Report(state, seconds, state.iterations());
}

void RunScene(benchmark::State &state, Scene scene) {
  ColdFramePool &f = SharedFrames();
  f.ColdCopySeconds();
  Host host(scene == Scene::DepthTestedQuad || scene == Scene::Strip);
  if (scene == Scene::Strip)
    host.BuildStrip();
  else
    host.Build(scene == Scene::Grid ? 8 : 1);
  int i = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!host.Frame(f.Source(i), scene)) state.SkipWithError("draw failed");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ++i;
  }
  Report(state, seconds, state.iterations());
}

void BM_TexturedQuad(benchmark::State &state) { RunScene(state, Scene::Quad); }
void BM_BlendedQuad(benchmark::State &state) { RunScene(state, Scene::BlendedQuad); }
void BM_DepthTestedQuad(benchmark::State &state) { RunScene(state, Scene::DepthTestedQuad); }
void BM_Grid64Quads(benchmark::State &state) { RunScene(state, Scene::Grid); }
void BM_ThinStrip(benchmark::State &state) { RunScene(state, Scene::Strip); }

BENCHMARK(BM_ColdFrameCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TexturedQuad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BlendedQuad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DepthTestedQuad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Grid64Quads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThinStrip)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
