// Arbitrary shader tokens handed to the software device, which checks them when it makes a
// shader and runs what it accepts: creation answers D3D_OK or D3DERR_INVALIDCALL and nothing
// else, and a draw through an accepted shader succeeds and stays within the target. The
// first byte picks a vertex or a pixel shader; the rest are the tokens, closed with an end
// token (the device takes no length, as on Windows).
#include "fuzz/FuzzCheck.h"

#include <d3d9.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "shader_tokens", what); }

struct Vertex { // D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, also read as POSITION and TEXCOORD0
  float x, y, z, rhw;
  DWORD colour;
  float u, v;
};

// One small device for the whole run, with a texture on every sampler a pixel shader may use.
struct Device {
  Device() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = 8;
    pp.BackBufferHeight = 8;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    Check(d3d && SUCCEEDED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device)),
          "no device");
    Check(SUCCEEDED(device->CreateTexture(3, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                          nullptr)),
          "no texture");
    for (DWORD s = 0; s < 16; ++s) device->SetTexture(s, texture);
    const float constants[16] = {0.5f, -1, 2, 0.25f, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1};
    device->SetVertexShaderConstantF(0, constants, 4);
    device->SetPixelShaderConstantF(0, constants, 4);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  }
  IDirect3D9 *d3d = nullptr;
  IDirect3DDevice9 *device = nullptr;
  IDirect3DTexture9 *texture = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Device d;
  if (size < 1) return 0;
  const bool pixel = data[0] & 1;
  std::vector<DWORD> tokens((size - 1) / 4 + 1, 0x0000FFFF);
  std::memcpy(tokens.data(), data + 1, (size - 1) / 4 * 4);
  IDirect3DDevice9 *device = d.device;
  HRESULT hr;
  const Vertex quad[4] = {{-1, -1, 0.5f, 1, 0xFF808080, 0, 0},
                          {9, -1, 0.5f, 0.5f, 0xFF808080, 1, 0},
                          {-1, 9, 0.5f, 1, 0xFF808080, 0, 1},
                          {9, 9, 0.5f, 0.25f, 0xFF808080, 1, 1}};
  if (pixel) {
    IDirect3DPixelShader9 *shader = nullptr;
    hr = device->CreatePixelShader(tokens.data(), &shader);
    Check(hr == D3D_OK || hr == D3DERR_INVALIDCALL, "CreatePixelShader answered another status");
    Check((hr == D3D_OK) == (shader != nullptr),
          "a shader without success, or success without one");
    if (!shader) return 0;
    device->SetPixelShader(shader);
    Check(SUCCEEDED(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex))),
          "the draw failed");
    device->SetPixelShader(nullptr);
    shader->Release();
  } else {
    IDirect3DVertexShader9 *shader = nullptr;
    hr = device->CreateVertexShader(tokens.data(), &shader);
    Check(hr == D3D_OK || hr == D3DERR_INVALIDCALL, "CreateVertexShader answered another status");
    Check((hr == D3D_OK) == (shader != nullptr),
          "a shader without success, or success without one");
    if (!shader) return 0;
    device->SetVertexShader(shader);
    Check(SUCCEEDED(device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(Vertex))),
          "the draw failed");
    device->SetVertexShader(nullptr);
    shader->Release();
  }
  return 0;
}
