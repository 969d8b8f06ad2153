// Drives the software effect processor for one effect: each destination starts as a copy of
// its source, so the bytes an effect leaves alone keep the input's values.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"
#include "render/software/SoftwareEffectProcessor.h"

class EffectRenderer {
public:
  explicit EffectRenderer(LONG effectId) : processor(effectId) {}

  // Renders `source` into `destination` (same size) at `valuePercent` (0..100).
  Status Render(const Frame &source, Frame &destination, double valuePercent);

private:
  SoftwareEffectProcessor processor;
  FrameSize processorSize;
};
