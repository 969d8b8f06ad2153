// Drives the software effect processor for one effect: each destination starts as a copy of
// its source, so the bytes an effect leaves alone keep the input's values.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"
#include "render/software/SoftwareEffectProcessor.h"

class EffectRenderer {
public:
  explicit EffectRenderer(LONG effectId) : processor(effectId) {}

  // Renders `source` into `destination` (same size) at `effectValue`, the percentage times
  // 0.01 as the processor takes it (it keeps the value within 0..1 itself).
  Status Render(const Frame &source, Frame &destination, double effectValue);

private:
  SoftwareEffectProcessor processor;
  FrameSize processorSize;
};
