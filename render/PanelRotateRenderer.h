// "Panel Rotate": the whole picture, as one panel of unchanged size, turns clockwise about its
// centre, two full turns over the value range (upright at 0, 0.5 and 1, upside down at 0.25 and
// 0.75). Where the turned picture leaves the output it is cut off; where it uncovers the output,
// the target keeps what it held.
#pragma once

#include "render/PanelRenderer.h"

class PanelRotateRenderer : public PanelRenderer {
public:
  PanelRotateRenderer();

protected:
  // The upright quad is written afresh and turned every frame, so turns never accumulate.
  HRESULT LayOutPanels() override;
};
