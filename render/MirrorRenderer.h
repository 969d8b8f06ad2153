// The four mirror effects: a band along the named edge, as deep as half the effect value times
// the picture, shows the reflection of the equally deep band next to it, about the band's inner
// edge; the rest of the picture stays in place. At value 1 the named half shows the other half
// reflected. Two panels: the band and the rest.
#pragma once

#include <wtypes.h>

#include "render/PanelRenderer.h"

class MirrorRenderer : public PanelRenderer {
public:
  // effectId: one of the "Mirror from ..." identifiers; it names the edge. Layouts for any
  // other identifier fail (E_FAIL) and draw nothing.
  explicit MirrorRenderer(LONG effectId);

protected:
  HRESULT LayOutPanels() override;

  LONG effectId;
};
