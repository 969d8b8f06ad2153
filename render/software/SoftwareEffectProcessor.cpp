#include "render/software/SoftwareEffectProcessor.h"
#include "effect/EffectIds.h"
#include "render/EffectValue.h"
#include "render/software/SoftwareRoutines.h"
#include "render/software/WaveTables.h"

#include <cmath>
#include <cstdint>
#include <cstring>

SoftwareEffectProcessor::SoftwareEffectProcessor(LONG effectId) : effectId(effectId) {}

SoftwareEffectProcessor::~SoftwareEffectProcessor() = default;

HRESULT SoftwareEffectProcessor::SetSize(LONG newWidth, LONG newHeight) {
  // Checked against the pictures in ProcessFrame, where a bad size can do harm.
  width = newWidth;
  height = newHeight;
  return S_OK;
}

HRESULT SoftwareEffectProcessor::SetEffectValue(const void *value, INT size) {
  if (!value) return E_POINTER;
  (void)size; // always the 8 bytes of a double
  double x;
  std::memcpy(&x, value, sizeof x);
  effectValue = ClampEffectValue(x);
  return S_OK;
}

HRESULT SoftwareEffectProcessor::ProcessFrame(BYTE *const *sources, ULONG_PTR,
                                              const LONG *sourceStrides, ULONG_PTR,
                                              BYTE *destination, LONG, LONG, LONG, LONG,
                                              LONG destinationStride) {
  if (!sources || !sources[0] || !sourceStrides || !destination) return E_POINTER;
  const std::int64_t rowBytes = std::int64_t(width) * 4;
  if (width < 1 || height < 1 || sourceStrides[0] < rowBytes || destinationStride < rowBytes)
    return E_INVALIDARG;

  const SourcePicture src{sources[0], sourceStrides[0]};
  const DestinationPicture dst{destination, destinationStride};
  const PictureSize size{width, height};
  const double x = effectValue;
  if (effectId < WaveEffectId || effectId > PanelRotateEffectId) return S_OK;
  switch (static_cast<::EffectId>(effectId)) {
  case WaveEffectId: {
    const HRESULT hr = BuildWaveTables(sineTable, cosineTable);
    if (FAILED(hr)) return hr;
    return Wave(src, dst, size, x, sineTable.get(), cosineTable.get(), workingMemory);
  }
  case ReplicateEffectId:
    Replicate(src, dst, size, x);
    return S_OK;
  case MirrorFromTopEffectId:
    MirrorFromTop(src, dst, size, x);
    return S_OK;
  case MirrorFromBottomEffectId:
    MirrorFromBottom(src, dst, size, x);
    return S_OK;
  case MirrorFromLeftEffectId:
    MirrorFromLeft(src, dst, size, x);
    return S_OK;
  case MirrorFromRightEffectId:
    MirrorFromRight(src, dst, size, x);
    return S_OK;
  case ColorShiftHorizontalEffectId:
    ColorShiftHorizontal(src, dst, size, x);
    return S_OK;
  case ColorShiftVerticalEffectId:
    ColorShiftVertical(src, dst, size, x);
    return S_OK;
  case ColorShiftDiagonalEffectId:
    ColorShiftDiagonal(src, dst, size, x);
    return S_OK;
  case PanelRotateEffectId:
    PanelRotate(src, dst, size, x, workingMemory);
    return S_OK;
  }
  return S_OK;
}
