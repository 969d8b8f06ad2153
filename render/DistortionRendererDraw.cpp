// The shared mesh draw of the panel renderers.
#include "render/DeviceStateWrites.h"
#include "render/DistortionRenderer.h"
#include "render/SharedVertex.h"

namespace {

// Left on the device after the lists are drawn, so that a renderer drawing further passes in the
// same frame starts from a plain white material.
D3DMATERIAL9 ResetMaterial() {
  D3DMATERIAL9 m{};
  m.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
  m.Ambient = {1.0f, 1.0f, 1.0f, 1.0f};
  m.Specular = {0.0f, 0.0f, 0.0f, 1.0f};
  m.Emissive = {0.0f, 0.0f, 0.0f, 1.0f};
  m.Power = 0.0f;
  return m;
}

} // namespace

HRESULT DistortionRenderer::DrawPanels(IDirect3DTexture9 *const *textures, INT textureCount) {
  std::lock_guard<std::mutex> guard(lock);
  if (!geometryReady || !device) return E_FAIL;
  IDirect3DDevice9 *d = device;
  const bool layered = layeredDraw != 0;

  // Lit, with every light normally off: each vertex gets ambientColor × the list's ambient
  // material plus its emissive, which tints (or filters) a whole list. Lighting counts as on for
  // any value but FALSE, so only FALSE is overwritten.
  DWORD lighting = FALSE;
  if (FAILED(d->GetRenderState(D3DRS_LIGHTING, &lighting)) || lighting == FALSE) {
    const HRESULT hr = d->SetRenderState(D3DRS_LIGHTING, TRUE);
    if (FAILED(hr)) return hr;
  }
  if (const HRESULT hr = SetRenderStateIfNeeded(d, D3DRS_AMBIENT, ambientColor); FAILED(hr))
    return hr;
  for (DWORD i = 0; i < 3; ++i) {
    if (const HRESULT hr = d->SetLight(i, &lights[i]); FAILED(hr)) return hr;
    if (const HRESULT hr = d->LightEnable(i, lightEnabled[i]); FAILED(hr)) return hr;
  }

  d->SetVertexShader(nullptr);
  if (const HRESULT hr = d->SetFVF(kSharedVertexFvf); FAILED(hr)) return hr;
  SetRenderStateIfNeeded(d, D3DRS_FILLMODE, D3DFILL_SOLID);
  if (const HRESULT hr = d->SetStreamSource(0, vertexBuffer, 0, kSharedVertexStride); FAILED(hr))
    return hr;

  // Every drawn pixel counts up the stencil; whether the stencil test is on stays the host's.
  SetRenderStateIfNeeded(d, D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  SetRenderStateIfNeeded(d, D3DRS_STENCILREF, 0);
  SetRenderStateIfNeeded(d, D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
  SetRenderStateIfNeeded(d, D3DRS_STENCILPASS, D3DSTENCILOP_INCRSAT);

  if (layered) {
    if (const HRESULT hr = DrawBackdropList(textures, textureCount); FAILED(hr)) return hr;
  }

  // The backdrop was drawn under the host's depth state; with the depth buffer cleared, lists 0
  // and 2 are tested only against each other and always cover the backdrop.
  SetRenderStateIfNeeded(d, D3DRS_ZENABLE, D3DZB_TRUE);
  d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);

  if (layered) {
    SetRenderStateIfNeeded(d, D3DRS_ALPHABLENDENABLE, TRUE);
    SetRenderStateIfNeeded(d, D3DRS_SRCBLEND, D3DBLEND_ONE);
    SetRenderStateIfNeeded(d, D3DRS_DESTBLEND, D3DBLEND_ZERO);
  }

  for (int g = 0; g < 3; ++g) {
    if (layered && g == 1) continue;
    if (const HRESULT hr = d->SetMaterial(&panelLists[g].material); FAILED(hr)) return hr;
    if (const HRESULT hr = d->SetTexture(0, InputTexture(g, textures, textureCount)); FAILED(hr))
      return hr;
    DrawListPanels(panelLists[g], S_OK); // a failed draw leaves the other panels to be drawn
  }

  const D3DMATERIAL9 reset = ResetMaterial();
  d->SetMaterial(&reset);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  if (layered) d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  return S_OK;
}

HRESULT DistortionRenderer::DrawBackdropList(IDirect3DTexture9 *const *textures, INT textureCount) {
  IDirect3DDevice9 *d = device;
  // Whether blending is on stays the host's; the factors make it a plain copy if it is.
  SetRenderStateIfNeeded(d, D3DRS_DESTBLEND, D3DBLEND_ZERO);
  SetRenderStateIfNeeded(d, D3DRS_SRCBLEND, D3DBLEND_ONE);
  if (const HRESULT hr = d->SetMaterial(&panelLists[1].material); FAILED(hr)) return hr;
  const HRESULT hr = d->SetTexture(0, InputTexture(1, textures, textureCount));
  if (FAILED(hr)) return hr;
  return DrawListPanels(panelLists[1], hr);
}

HRESULT DistortionRenderer::DrawListPanels(const PanelList &list, HRESULT last) {
  IDirect3DDevice9 *d = device;
  for (const Panel *p = list.First(); p; p = PanelList::Next(*p)) {
    if (!p->visible) continue;
    if (p->useWorldMatrix) d->SetTransform(D3DTS_WORLD, &p->worldMatrix);
    d->SetIndices(indexBuffer);
    last = d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<INT>(p->baseVertex), 0,
                                   p->vertexCount, p->startIndex, p->indexCount / 3);
  }
  return last;
}

IDirect3DTexture9 *DistortionRenderer::InputTexture(INT index, IDirect3DTexture9 *const *textures,
                                                    INT textureCount) {
  return textures && index >= 0 && index < textureCount ? textures[index] : nullptr;
}
