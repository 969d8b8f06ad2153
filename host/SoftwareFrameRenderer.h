// The software path: the effect computes each frame on pixel memory (ISoftwareEffect). Each
// destination starts as a copy of its source, so the bytes an effect leaves alone keep the
// input's values.
#pragma once

#include "host/FrameRenderer.h"

#include <ZRQDistortion2D.h>
#include <atlcomcli.h>

class SoftwareFrameRenderer final : public FrameRenderer {
public:
  // SetFrameSize, then StartEffectOnPath.
  [[nodiscard]] static Result<std::unique_ptr<FrameRenderer>> Create(IUnknown *effect,
                                                                     FrameSize size);

  // PrepareSoftwareFrame at `time`, then ProcessFrame from `source` into `destination`.
  Status Render(const Frame &source, Frame &destination, double time) override;

private:
  SoftwareFrameRenderer(CComPtr<ISoftwareEffect> effect, FrameSize size)
      : effect(std::move(effect)), size(size) {}

  CComPtr<ISoftwareEffect> effect;
  FrameSize size;
};
