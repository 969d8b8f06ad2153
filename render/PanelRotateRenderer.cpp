#include "render/PanelRotateRenderer.h"

namespace {

// -4π taken to single precision and widened: two clockwise turns (negative with y up) from
// value 0 to 1.
constexpr double kAnglePerValue = -12.566370964050293;

} // namespace

PanelRotateRenderer::PanelRotateRenderer() : PanelRenderer(1) { defaultAspect = 1.0f; }

HRESULT PanelRotateRenderer::LayOutPanels() {
  Panel &p = PlaceQuad(0, {2.0f, ModelHeight(), 0.0f, textureExtentV, textureExtentU, 0.0f});
  // The panel's world matrix stays the identity; setting it keeps a world transform left by
  // the host from moving the picture.
  p.useWorldMatrix = 1;
  p.visible = 1;
  p.RotateZ(static_cast<float>(effectValue * kAnglePerValue));
  return S_OK;
}
