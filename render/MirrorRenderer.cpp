#include "render/MirrorRenderer.h"

#include "effect/EffectIds.h"

namespace {

// 1.3333, not 4/3: the preset this renderer has always had until Attach gives the real one.
constexpr float kPresetAspect = 1.3333f;

struct PlacedQuad {
  PanelRenderer::Quad quad;
  float x, y; // centre
};

} // namespace

MirrorRenderer::MirrorRenderer(LONG effectId) : PanelRenderer(2), effectId(effectId) {
  defaultAspect = kPresetAspect;
}

HRESULT MirrorRenderer::LayOutPanels() {
  const float H = ModelHeight();
  const float U = textureExtentU;
  const float V = textureExtentV;
  const float h = static_cast<float>(effectValue * 0.5); // depth of the band: 0 to half the picture

  // Panel 0 and panel 1: the band is the one whose texture runs backwards.
  PlacedQuad panels[2];
  switch (effectId) {
  case MirrorFromTopEffectId:
    panels[0] = {{2.0f, h * H, 0.0f, h * V, U, 2 * h * V}, 0.0f, (1 - h) * H / 2};
    panels[1] = {{2.0f, (1 - h) * H, 0.0f, V, U, h * V}, 0.0f, -h * H / 2};
    break;
  case MirrorFromBottomEffectId:
    panels[0] = {{2.0f, (1 - h) * H, 0.0f, (1 - h) * V, U, 0.0f}, 0.0f, h * H / 2};
    panels[1] = {{2.0f, h * H, 0.0f, (1 - 2 * h) * V, U, (1 - h) * V}, 0.0f, -(1 - h) * H / 2};
    break;
  case MirrorFromLeftEffectId:
    panels[0] = {{2 * h, H, 2 * h * U, V, h * U, 0.0f}, h - 1, 0.0f};
    panels[1] = {{2 - 2 * h, H, h * U, V, U, 0.0f}, h, 0.0f};
    break;
  case MirrorFromRightEffectId:
    panels[0] = {{2 - 2 * h, H, 0.0f, V, (1 - h) * U, 0.0f}, -h, 0.0f};
    panels[1] = {{2 * h, H, (1 - h) * U, V, (1 - 2 * h) * U, 0.0f}, 1 - h, 0.0f};
    break;
  default:
    return E_FAIL;
  }

  for (int key = 0; key < 2; ++key) {
    Panel &p = PlaceQuad(key, panels[key].quad);
    p.Translate(panels[key].x, panels[key].y, 0.0f);
    p.useWorldMatrix = 0;
    p.visible = 1;
  }
  return S_OK;
}
