// Renderers driven on the software device the way the effect object drives them: Attach with
// the output's width over height, then per frame BeginFrame, SetInputAspects, SetEffectValue,
// SetTime, the texture extents, UpdateGeometry, Render and EndFrame. The device plays a host
// that draws its pictures unlit, point-sampled, with a view that puts picture texels on pixels.
#pragma once

#include "ReferenceCount.h"
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "host/common/ModelSpaceView.h"
#include "render/DistortionRenderer.h"
#include "support/TestDevice.h"

namespace zrq::test {

// An opaque test picture whose pixels, and each channel on its own, change along both axes.
inline uint32_t PatternPixel(UINT x, UINT y) {
  const uint32_t r = (x * 3 + y * 5 + 1) & 0xFF, g = (x * 5 + y * 3 + 7) & 0xFF,
                 b = (x * 7 + y * 11 + 3) & 0xFF;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

inline std::vector<uint32_t> PatternPicture(UINT width, UINT height) {
  std::vector<uint32_t> p(size_t{width} * height);
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) p[y * width + x] = PatternPixel(x, y);
  return p;
}

// What the target was cleared to before a frame: opaque, and no colour of the pattern.
inline constexpr uint32_t kUntouched = 0xFF123456;

class RendererFrames {
public:
  RendererFrames(UINT width, UINT height) : sw(width, height) {
    if (!sw.device) return;
    zrq::host::ApplyModelSpaceView(sw.device, width, height);
    sw.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    sw.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    sw.device->SetRenderState(D3DRS_LIGHTING, FALSE);
    // Most renderer tests look at the fallbacks: the device reports no shaders unless a test
    // asks for them.
    ShaderVersions(0, 0);
  }

  // The device reports these shader versions from now on (0: none).
  void ShaderVersions(DWORD vertex, DWORD pixel) {
    ZRQ_D3D9_DEVICE_OPTIONS options{};
    options.VertexShaderVersion = vertex;
    options.PixelShaderVersion = pixel;
    ZrqD3D9SetDeviceOptions(sw.device, &options);
  }

  HRESULT Attach(DistortionRenderer &renderer) {
    const HRESULT hr =
        renderer.Attach(sw.device, static_cast<float>(sw.width) / static_cast<float>(sw.height));
    renderer.duration = 1.0;
    return hr;
  }

  // One frame of `picture` (of the given width over height) at the effect value; the target is
  // cleared to kUntouched first and read back into `pixels`. The status is that of Render, or
  // that of UpdateGeometry when it fails (nothing is then rendered).
  HRESULT Frame(DistortionRenderer &renderer, double value, IDirect3DTexture9 *picture,
                float pictureAspect) {
    sw.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, kUntouched,
                     1.0f, 0);
    sw.device->BeginScene();
    renderer.BeginFrame();
    renderer.SetInputAspects(&pictureAspect, 1);
    renderer.SetEffectValue(&value, sizeof value);
    renderer.SetTime(0.5 * renderer.duration);
    renderer.textureExtentU = 1.0f;
    renderer.textureExtentV = 1.0f;
    HRESULT hr = renderer.UpdateGeometry();
    if (SUCCEEDED(hr)) {
      IDirect3DTexture9 *textures[1] = {picture};
      hr = renderer.Render(textures, 1);
      renderer.EndFrame();
    }
    sw.device->EndScene();
    pixels = sw.ReadBack();
    return hr;
  }

  // The device's reference count, as far as others hold it.
  ULONG DeviceRefs() { return ReferenceCount(sw.device); }

  uint32_t At(UINT x, UINT y) const { return pixels[y * sw.width + x]; }

  TestDevice sw;
  std::vector<uint32_t> pixels;
};

// Every pixel of the frame is what `expected` says (a picture pixel, or kUntouched); the first
// difference is reported with its place.
inline ::testing::AssertionResult FrameIs(const RendererFrames &frames,
                                          const std::function<uint32_t(UINT x, UINT y)> &expected) {
  if (frames.pixels.size() != size_t{frames.sw.width} * frames.sw.height)
    return ::testing::AssertionFailure() << "no frame was read back";
  for (UINT y = 0; y < frames.sw.height; ++y)
    for (UINT x = 0; x < frames.sw.width; ++x)
      if (frames.At(x, y) != expected(x, y))
        return ::testing::AssertionFailure() << "pixel " << x << ", " << y << " is " << std::hex
                                             << frames.At(x, y) << ", expected " << expected(x, y);
  return ::testing::AssertionSuccess();
}

} // namespace zrq::test
