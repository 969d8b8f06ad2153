// "Replicate": the picture shrunk and repeated in an n × n grid that fills the output, n growing
// from 1 to 8 with the effect value. Every cell is one panel showing the whole picture.
#pragma once

#include "render/PanelRenderer.h"

class ReplicateRenderer : public PanelRenderer {
public:
  ReplicateRenderer();

  // Cells across (and down) for an effect value in 0..1: 1 below 0.5/7, then one more at every
  // further 1/7, 8 from 6.5/7.
  static int GridSize(double effectValue);

protected:
  // Buffers and panels are made anew for the grid on every frame.
  HRESULT LayOutPanels() override;
};
