#include "render/ReplicateRenderer.h"

#include <cmath>

ReplicateRenderer::ReplicateRenderer() : PanelRenderer(0) { defaultAspect = 1.0f; }

int ReplicateRenderer::GridSize(double effectValue) {
  return static_cast<int>(std::trunc(effectValue * 7.0 + 0.5)) + 1;
}

HRESULT ReplicateRenderer::LayOutPanels() {
  const int n = GridSize(effectValue);
  if (FAILED(AllocatePanels(static_cast<UINT>(n * n)))) return E_FAIL;
  const float cellWidth = 2.0f / static_cast<float>(n);
  const float cellHeight = ModelHeight() / static_cast<float>(n);
  const float half = static_cast<float>(n) / 2.0f;
  // Column by column from the left, each from the top down: key i × n + j.
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      Panel &p =
          PlaceQuad(i * n + j, {cellWidth, cellHeight, 0.0f, textureExtentV, textureExtentU, 0.0f});
      p.Translate((static_cast<float>(i) - half + 0.5f) * cellWidth,
                  (half - static_cast<float>(j) - 0.5f) * cellHeight, 0.0f);
      p.useWorldMatrix = 0;
      p.visible = 1;
    }
  }
  return S_OK;
}
