#include "render/DistortionRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/EffectValue.h"
#include "render/SharedVertex.h"

namespace {

constexpr float kFourThirds = 1.3333334f;
// 128/255 as the lights have always been given: half-bright grey.
constexpr float kLightGrey = 0.50196f;

D3DMATERIAL9 WhiteMaterial() {
  D3DMATERIAL9 m{};
  m.Diffuse = m.Ambient = m.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
  m.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  m.Power = 0.0f;
  return m;
}

D3DLIGHT9 GreyLightFromFront() {
  D3DLIGHT9 l{};
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = l.Specular = l.Ambient = {kLightGrey, kLightGrey, kLightGrey, 1.0f};
  l.Position = {0.0f, 0.0f, -10.0f};
  l.Direction = {0.0f, 0.0f, 1.0f};
  l.Range = D3DLIGHT_RANGE_MAX;
  l.Falloff = 1.0f;
  l.Attenuation0 = 1.0f;
  l.Attenuation1 = 0.0f;
  l.Attenuation2 = 0.0f;
  l.Theta = 1.0f;
  l.Phi = 1.0f;
  return l;
}

// Buffer lengths are 32-bit; a count whose byte length does not fit is refused rather than
// wrapped into a small buffer that the recorded capacity would overstate.
bool ByteLength(UINT count, UINT elementSize, UINT &length) {
  const uint64_t bytes = uint64_t{count} * elementSize;
  if (bytes > std::numeric_limits<UINT>::max()) return false;
  length = static_cast<UINT>(bytes);
  return true;
}

} // namespace

DistortionRenderer::DistortionRenderer() {
  for (PanelList &list : panelLists) list.material = WhiteMaterial();
  for (D3DLIGHT9 &light : lights) light = GreyLightFromFront();
  for (float &aspect : inputAspects) aspect = kFourThirds;
}

DistortionRenderer::~DistortionRenderer() {
  ReleaseBuffers();
  ClearPanels();
  savedState.Release();
  device.Release();
}

HRESULT DistortionRenderer::Render(IDirect3DTexture9 *const *textures, INT textureCount) {
  return DrawPanels(textures, textureCount);
}

HRESULT DistortionRenderer::Attach(IDirect3DDevice9 *newDevice, float aspect) {
  device = newDevice;
  defaultAspect = aspect;
  for (float &a : inputAspects) a = kFourThirds;
  return S_OK;
}

HRESULT DistortionRenderer::UpdateGeometry() { return E_NOTIMPL; }

HRESULT DistortionRenderer::SetTime(double) { return E_NOTIMPL; }

HRESULT DistortionRenderer::BeginFrame() {
  if (!device) return E_POINTER;
  savedState.Release();
  IDirect3DStateBlock9 *captured = nullptr;
  if (SUCCEEDED(device->CreateStateBlock(D3DSBT_ALL, &captured))) savedState.Attach(captured);
  return S_OK;
}

HRESULT DistortionRenderer::SetInputAspects(const float *aspects, INT count) {
  constexpr INT kEntries = sizeof inputAspects / sizeof inputAspects[0];
  if (count < 0 || count >= kEntries) return E_FAIL;
  if (count > 0 && !aspects) return E_POINTER;
  for (INT i = 0; i < kEntries; ++i) inputAspects[i] = i < count ? aspects[i] : defaultAspect;
  inputCount = count;
  return S_OK;
}

HRESULT DistortionRenderer::EndFrame() {
  if (savedState) {
    savedState->Apply();
    savedState.Release();
  }
  return S_OK;
}

HRESULT DistortionRenderer::DetachDevice() {
  std::lock_guard<std::mutex> guard(lock);
  ReleaseBuffers();
  ClearPanels();
  // A capture still waiting for its EndFrame belongs to the device being given up.
  savedState.Release();
  device.Release();
  return S_OK;
}

HRESULT DistortionRenderer::CreateBuffers(IDirect3DDevice9 *target, UINT vertices, UINT indices) {
  if (!target) return E_FAIL;
  HRESULT result = S_OK;
  UINT length = 0;
  if (!vertexBuffer && vertices > 1) {
    IDirect3DVertexBuffer9 *created = nullptr;
    if (ByteLength(vertices, kSharedVertexStride, length) &&
        SUCCEEDED(target->CreateVertexBuffer(length, 0, kSharedVertexFvf, D3DPOOL_DEFAULT, &created,
                                             nullptr)) &&
        created) {
      vertexBuffer.Attach(created);
      vertexCapacity = vertices;
    } else {
      result = E_FAIL;
    }
  }
  if (!indexBuffer) {
    IDirect3DIndexBuffer9 *created = nullptr;
    if (ByteLength(indices, kSharedIndexSize, length) &&
        SUCCEEDED(target->CreateIndexBuffer(length, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                            D3DPOOL_DEFAULT, &created, nullptr)) &&
        created) {
      indexBuffer.Attach(created);
      indexCapacity = indices;
    } else {
      result = E_FAIL;
    }
  }
  return result;
}

HRESULT DistortionRenderer::ReleaseBuffers() {
  // Panels borrow the buffers; none may keep a pointer to one that is gone.
  for (PanelList &list : panelLists)
    for (Panel *p = list.First(); p; p = PanelList::Next(*p))
      p->AssignRanges(nullptr, p->baseVertex, p->vertexCount, nullptr, p->startIndex,
                      p->indexCount);
  vertexBuffer.Release();
  indexBuffer.Release();
  vertexCapacity = 0;
  indexCapacity = 0;
  return S_OK;
}

void DistortionRenderer::ClearPanels() {
  for (PanelList &list : panelLists) list.Clear();
}

HRESULT DistortionRenderer::ReadEffectValue(const double *value, double &out) {
  if (!value) return E_POINTER;
  out = ClampEffectValue(*value);
  return S_OK;
}
