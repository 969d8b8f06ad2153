// The renderer base with the smallest concrete renderer around it, its shared state opened up
// for the tests, and helpers that lay out panels by hand as the panel renderers do.
#pragma once

#include <vector>

#include "render/DistortionRenderer.h"

namespace zrq::test {

class TestRenderer final : public DistortionRenderer {
public:
  HRESULT SetEffectValue(const double *value, INT) override {
    effectValue = value ? *value : 0.0;
    return S_OK;
  }

  struct Quad {
    int list;
    float width, height, uLeft, vBottom, uRight, vTop;
  };

  // Shared buffers for all the quads, then one panel per quad in its list, bound to its own
  // range (in the order given) and filled; geometry is then ready.
  HRESULT BuildPanels(const std::vector<Quad> &quads) {
    const UINT n = static_cast<UINT>(quads.size());
    if (FAILED(CreateBuffers(device, 4 * n, 6 * n))) return E_FAIL;
    for (UINT k = 0; k < n; ++k) {
      const Quad &q = quads[k];
      PanelList &list = panelLists[q.list];
      if (!list.Add(Panel::Create())) return E_OUTOFMEMORY;
      Panel &p = list.At(static_cast<int>(list.count) - 1);
      p.AssignRanges(vertexBuffer, 4 * k, 4, indexBuffer, 6 * k, 6);
      if (!p.SetQuad(q.width, q.height, q.uLeft, q.vBottom, q.uRight, q.vTop)) return E_FAIL;
    }
    geometryReady = 1;
    return S_OK;
  }

  using DistortionRenderer::ambientColor;
  using DistortionRenderer::ClearPanels;
  using DistortionRenderer::CreateBuffers;
  using DistortionRenderer::defaultAspect;
  using DistortionRenderer::device;
  using DistortionRenderer::geometryReady;
  using DistortionRenderer::indexBuffer;
  using DistortionRenderer::indexCapacity;
  using DistortionRenderer::inputAspects;
  using DistortionRenderer::inputCount;
  using DistortionRenderer::layeredDraw;
  using DistortionRenderer::lightEnabled;
  using DistortionRenderer::lights;
  using DistortionRenderer::panelLists;
  using DistortionRenderer::ReleaseBuffers;
  using DistortionRenderer::savedState;
  using DistortionRenderer::vertexBuffer;
  using DistortionRenderer::vertexCapacity;

  double effectValue = 0.0;
};

} // namespace zrq::test
