#include "effect/EffectCatalog.h"

namespace {

constexpr EffectCatalogEntry kCatalog[] = {
    {2001, RendererFamily::Wave, false},        // Wave
    {2002, RendererFamily::Replicate, false},   // Replicate
    {2003, RendererFamily::Mirror, true},       // Mirror from Top
    {2004, RendererFamily::Mirror, true},       // Mirror from Bottom
    {2005, RendererFamily::Mirror, true},       // Mirror from Left
    {2006, RendererFamily::Mirror, true},       // Mirror from Right
    {2007, RendererFamily::ColorShift, true},   // Color Shift Horizontal
    {2008, RendererFamily::ColorShift, true},   // Color Shift Vertical
    {2009, RendererFamily::ColorShift, true},   // Color Shift Diagonal
    {2010, RendererFamily::PanelRotate, false}, // Panel Rotate
};
static_assert(std::size(kCatalog) == LastEffectId - FirstEffectId + 1);

}  // namespace

std::span<const EffectCatalogEntry> EffectCatalog() { return kCatalog; }

const EffectCatalogEntry *FindEffect(LONG effectId) {
  return IsValidEffectId(effectId) ? &kCatalog[effectId - FirstEffectId] : nullptr;
}
