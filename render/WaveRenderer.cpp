#include "render/WaveRenderer.h"

#include <zrqresource.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct WaveVertex {
  float x, y, z;
  float u, v;
};
static_assert(sizeof(WaveVertex) == 20, "WaveVertex is the 20-byte XYZ | TEX1 layout");

constexpr DWORD kWaveVertexFvf = D3DFVF_XYZ | D3DFVF_TEX1; // 0x102
constexpr UINT kWaveVertexStride = sizeof(WaveVertex);

// Column spacing across the picture in x (-1..1) and in u (0..1), as single-precision constants.
constexpr float kColumnStepX = 0.015748031f; // 2/127
constexpr float kColumnStepU = 0.007874016f; // 1/127
constexpr float kThreePi = 9.424778f;
// Depth of the wave at value 1, as a share of the picture's height.
constexpr double kDepthPerValue = 0.2;

// What a failed lock of the mesh reports: the general failure status.
constexpr HRESULT kLockFailed = static_cast<HRESULT>(0xFFFFFFFFu);

constexpr WORD kShaderResource = 201;

} // namespace

WaveRenderer::WaveRenderer() { defaultAspect = 1.0f; }

HRESULT WaveRenderer::Attach(IDirect3DDevice9 *newDevice, float aspect) {
  if (!newDevice) return E_FAIL;
  DistortionRenderer::Attach(newDevice, aspect);
  const HRESULT mesh = BuildMesh();
  if (FAILED(mesh)) return mesh;
  D3DCAPS9 caps{};
  if (SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.VertexShaderVersion >= D3DVS_VERSION(1, 1))
    useVertexShader = true;
  if (!useVertexShader) return mesh;
  return BuildShader();
}

HRESULT WaveRenderer::BuildMesh() {
  ReleaseBuffers();
  meshVertexCount = static_cast<int>(kMeshVertices);
  meshIndexCount = static_cast<int>(kMeshIndices);

  IDirect3DVertexBuffer9 *vertices = nullptr;
  if (FAILED(device->CreateVertexBuffer(kMeshVertices * kWaveVertexStride, D3DUSAGE_WRITEONLY,
                                        kWaveVertexFvf, D3DPOOL_DEFAULT, &vertices, nullptr)) ||
      !vertices)
    return E_FAIL;
  vertexBuffer.Attach(vertices);
  IDirect3DIndexBuffer9 *indices = nullptr;
  if (FAILED(device->CreateIndexBuffer(kMeshIndices * sizeof(uint16_t), 0, D3DFMT_INDEX16,
                                       D3DPOOL_DEFAULT, &indices, nullptr)) ||
      !indices)
    return E_FAIL;
  indexBuffer.Attach(indices);

  void *data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return kLockFailed;
  auto *vertex = static_cast<WaveVertex *>(data);
  const float s = ModelHeight();
  for (UINT r = 0; r < 2; ++r) {
    for (UINT k = 0; k < kColumns; ++k) {
      const float column = static_cast<float>(k);
      *vertex++ = {column * kColumnStepX - 1.0f, static_cast<float>(r) * s - s / 2, 0.0f,
                   column * kColumnStepU, 1.0f - static_cast<float>(r)};
    }
  }
  vertexBuffer->Unlock();

  if (const HRESULT hr = indexBuffer->Lock(0, 0, &data, 0); FAILED(hr)) return hr;
  if (!data) return kLockFailed;
  auto *index = static_cast<uint16_t *>(data);
  // Quad k - 1 .. k as two triangles: bottom k - 1, top k - 1, bottom k; bottom k, top k - 1, top k.
  for (UINT k = 1; k < kColumns; ++k) {
    const uint16_t bottom = static_cast<uint16_t>(k), top = static_cast<uint16_t>(k + kColumns);
    const uint16_t quad[6] = {static_cast<uint16_t>(bottom - 1),
                              static_cast<uint16_t>(top - 1),
                              bottom,
                              bottom,
                              static_cast<uint16_t>(top - 1),
                              top};
    for (uint16_t i : quad) *index++ = i;
  }
  return indexBuffer->Unlock();
}

HRESULT WaveRenderer::BuildShader() {
  vertexShader.Release();
  constantTable.Release();
  vertexDeclaration.Release();

  static const D3DVERTEXELEMENT9 kElements[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
      D3DDECL_END(),
  };
  device->CreateVertexDeclaration(kElements, &vertexDeclaration);

  // Without the shader (no compiler, or a device that refuses it) the mesh is moved here, which
  // gives the same effect: that is no failure of Attach.
  CComPtr<ID3DXBuffer> tokens;
  if (FAILED(D3DXCompileShaderFromResourceW(ZrqThisModule(), MAKEINTRESOURCEW(kShaderResource),
                                            nullptr, nullptr, "Wave", "vs_1_1", 0, &tokens, nullptr,
                                            &constantTable)) ||
      !tokens || !constantTable ||
      FAILED(device->CreateVertexShader(static_cast<const DWORD *>(tokens->GetBufferPointer()),
                                        &vertexShader))) {
    vertexShader.Release();
    constantTable.Release();
    vertexDeclaration.Release();
    return S_OK;
  }

  const float s = ModelHeight();
  constantTable->SetFloat(device, "fWaveHeight", static_cast<float>(kDepthPerValue * s));
  constantTable->SetFloat(device, "fObjectHeight", s);

  // The shader takes the transforms as they stand now; later changes reach it at the next Attach.
  D3DXMATRIX view, projection, world, worldViewProj;
  device->GetTransform(D3DTS_VIEW, &view);
  device->GetTransform(D3DTS_PROJECTION, &projection);
  const HRESULT worldRead = device->GetTransform(D3DTS_WORLD, &world);
  D3DXMatrixMultiply(&worldViewProj, &world, &view);
  D3DXMatrixMultiply(&worldViewProj, &worldViewProj, &projection);
  if (FAILED(worldRead)) return worldRead;
  return constantTable->SetMatrix(device, "mWorldViewProj", &worldViewProj);
}

HRESULT WaveRenderer::UpdateGeometry() {
  if (ShaderPath()) return S_OK;
  if (!vertexBuffer || !indexBuffer) return E_FAIL;
  void *data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return kLockFailed;

  const float s = ModelHeight();
  const double v = effectValue;
  const float amplitude = static_cast<float>(v * s * kDepthPerValue);
  const float height = s - 2 * amplitude;
  // Radians per column. At value 0 (or so close to it that the step leaves the float range)
  // the waves are endlessly long and the depth is 0: the rows lie flat, instead of taking
  // 0 × ∞ into every position.
  const double step = v > 0.0 ? (static_cast<double>(kColumnStepU) / v) * kThreePi
                              : std::numeric_limits<double>::infinity();
  const bool flat = !(step <= std::numeric_limits<float>::max());
  const float columnStep = flat ? 0.0f : static_cast<float>(step);

  auto *vertex = static_cast<WaveVertex *>(data);
  for (UINT r = 0; r < 2; ++r) {
    const float row = static_cast<float>(r) * height - height / 2;
    for (UINT k = 0; k < kColumns; ++k) {
      const float offset =
          flat ? 0.0f
               : amplitude * static_cast<float>(std::sin(static_cast<double>(k) * columnStep));
      (vertex++)->y = row + offset;
    }
  }
  return vertexBuffer->Unlock();
}

HRESULT WaveRenderer::SetTime(double) {
  if (!constantTable || !device) return S_OK;
  return constantTable->SetFloat(device, "fEffectValue", static_cast<float>(effectValue));
}

HRESULT WaveRenderer::SetEffectValue(const double *value, INT) {
  return ReadEffectValue(value, effectValue);
}

HRESULT WaveRenderer::Render(IDirect3DTexture9 *const *textures, INT textureCount) {
  std::lock_guard<std::mutex> guard(drawLock);
  if (!device || !vertexBuffer || !indexBuffer) return E_FAIL;
  IDirect3DDevice9 *d = device;
  if (ShaderPath()) {
    d->SetVertexDeclaration(vertexDeclaration);
    if (const HRESULT hr = d->SetVertexShader(vertexShader); FAILED(hr)) return hr;
  } else {
    d->SetVertexShader(nullptr);
    if (const HRESULT hr = d->SetFVF(kWaveVertexFvf); FAILED(hr)) return hr;
  }
  d->SetStreamSource(0, vertexBuffer, 0, kWaveVertexStride);
  d->SetIndices(indexBuffer);
  if (const HRESULT hr = d->SetTexture(0, InputTexture(0, textures, textureCount)); FAILED(hr))
    return hr;
  // Everything outside the waved picture is transparent black.
  const HRESULT cleared = d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 0.0f, 0);
  d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(meshVertexCount), 0,
                          static_cast<UINT>(meshIndexCount) / 3);
  return cleared;
}
