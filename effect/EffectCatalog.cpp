#include "effect/EffectCatalog.h"

namespace {

constexpr EffectCatalogEntry kCatalog[] = {
    {WaveEffectId, RendererFamily::Wave, false},
    {ReplicateEffectId, RendererFamily::Replicate, false},
    {MirrorFromTopEffectId, RendererFamily::Mirror, true},
    {MirrorFromBottomEffectId, RendererFamily::Mirror, true},
    {MirrorFromLeftEffectId, RendererFamily::Mirror, true},
    {MirrorFromRightEffectId, RendererFamily::Mirror, true},
    {ColorShiftHorizontalEffectId, RendererFamily::ColorShift, true},
    {ColorShiftVerticalEffectId, RendererFamily::ColorShift, true},
    {ColorShiftDiagonalEffectId, RendererFamily::ColorShift, true},
    {PanelRotateEffectId, RendererFamily::PanelRotate, false},
};
static_assert(std::size(kCatalog) == LastEffectId - FirstEffectId + 1);

} // namespace

std::span<const EffectCatalogEntry> EffectCatalog() { return kCatalog; }

const EffectCatalogEntry *FindEffect(LONG effectId) {
  return IsValidEffectId(effectId) ? &kCatalog[effectId - FirstEffectId] : nullptr;
}
