#include "render/PanelRenderer.h"

#include <limits>

#include "render/PanelNotFound.h"

PanelRenderer::PanelRenderer(UINT panelsAtAttach) : panelsAtAttach(panelsAtAttach) {}

HRESULT PanelRenderer::Attach(IDirect3DDevice9 *newDevice, float aspect) {
  if (!newDevice) return E_FAIL;
  std::lock_guard<std::mutex> guard(geometryLock);
  DistortionRenderer::Attach(newDevice, aspect);
  if (panelsAtAttach > 0 && FAILED(AllocatePanels(panelsAtAttach))) {
    geometryReady = 0;
    return E_FAIL;
  }
  geometryReady = 1;
  return S_OK;
}

HRESULT PanelRenderer::UpdateGeometry() {
  std::lock_guard<std::mutex> guard(geometryLock);
  HRESULT hr = StatusOfPanelWork([this] { return LayOutPanels(); });
  // Panels bound to no buffer (a failed allocation dropped them) would draw nothing real.
  if (SUCCEEDED(hr) && (!vertexBuffer || !indexBuffer)) hr = E_FAIL;
  if (FAILED(hr)) {
    geometryReady = 0;
    return hr;
  }
  layeredDraw = 1;
  geometryReady = 1;
  return S_OK;
}

HRESULT PanelRenderer::SetTime(double) { return S_OK; }

HRESULT PanelRenderer::SetEffectValue(const double *value, INT) {
  return ReadEffectValue(value, effectValue);
}

HRESULT PanelRenderer::AllocatePanels(UINT count) {
  // Six indices a panel; a count whose totals do not fit the buffer sizes is refused.
  if (count > std::numeric_limits<UINT>::max() / 6) return E_FAIL;
  ReleaseBuffers();
  if (FAILED(CreateBuffers(device, 4 * count, 6 * count))) return E_FAIL;
  ClearPanels();
  for (UINT k = 0; k < count; ++k) {
    if (!panelLists[0].Add(Panel::Create())) {
      ReleaseBuffers();
      ClearPanels();
      return E_FAIL;
    }
  }
  return S_OK;
}

Panel &PanelRenderer::PlaceQuad(int key, const Quad &quad) {
  Panel &p = panelLists[0].At(key);
  const UINT k = static_cast<UINT>(key);
  p.AssignRanges(vertexBuffer, 4 * k, 4, indexBuffer, 6 * k, 6);
  p.SetQuad(quad.width, quad.height, quad.uLeft, quad.vBottom, quad.uRight, quad.vTop);
  return p;
}
