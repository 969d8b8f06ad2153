#include "effect/RendererFactory.h"

#include <new>

#include "effect/EffectCatalog.h"
#include "render/ColorShiftRenderer.h"
#include "render/MirrorRenderer.h"
#include "render/PanelRotateRenderer.h"
#include "render/ReplicateRenderer.h"
#include "render/WaveRenderer.h"

std::unique_ptr<DistortionRenderer> CreateRenderer(LONG effectId) noexcept {
  const EffectCatalogEntry *entry = FindEffect(effectId);
  if (!entry) return nullptr;
  switch (entry->renderer) {
  case RendererFamily::Wave:
    return std::unique_ptr<DistortionRenderer>(new (std::nothrow) WaveRenderer());
  case RendererFamily::Replicate:
    return std::unique_ptr<DistortionRenderer>(new (std::nothrow) ReplicateRenderer());
  case RendererFamily::Mirror:
    return std::unique_ptr<DistortionRenderer>(new (std::nothrow) MirrorRenderer(effectId));
  case RendererFamily::ColorShift:
    return std::unique_ptr<DistortionRenderer>(new (std::nothrow) ColorShiftRenderer(effectId));
  case RendererFamily::PanelRotate:
    return std::unique_ptr<DistortionRenderer>(new (std::nothrow) PanelRotateRenderer());
  }
  return nullptr;
}
