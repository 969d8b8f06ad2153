#include "render/software/SoftwareEffectProcessor.h"

#include "render/software/SoftwareRoutines.h"
#include "render/software/WaveTables.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Effect identifiers; they double as the string ids of the effects' display names.
enum SoftwareEffect : LONG {
  kWave = 2001,
  kReplicate = 2002,
  kMirrorFromTop = 2003,
  kMirrorFromBottom = 2004,
  kMirrorFromLeft = 2005,
  kMirrorFromRight = 2006,
  kColorShiftHorizontal = 2007,
  kColorShiftVertical = 2008,
  kColorShiftDiagonal = 2009,
  kPanelRotate = 2010,
};

} // namespace

SoftwareEffectProcessor::SoftwareEffectProcessor(LONG effectId) : effectId(effectId) {}

SoftwareEffectProcessor::~SoftwareEffectProcessor() = default;

HRESULT SoftwareEffectProcessor::SetSize(LONG newWidth, LONG newHeight) {
  // Checked against the pictures in ProcessFrame, where a bad size can do harm.
  width = newWidth;
  height = newHeight;
  return S_OK;
}

HRESULT SoftwareEffectProcessor::SetEffectValue(const void *value, INT size) {
  if (!value)
    return E_POINTER;
  (void)size; // always the 8 bytes of a double
  double x;
  std::memcpy(&x, value, sizeof x);
  // Outside 0..1 the bands, shifts and wave factors would reach past the pictures.
  if (!(x >= 0.0))
    x = 0.0;
  else if (x > 1.0)
    x = 1.0;
  effectValue = x;
  return S_OK;
}

HRESULT SoftwareEffectProcessor::ProcessFrame(BYTE *const *sources, ULONG_PTR, const LONG *sourceStrides,
                                              ULONG_PTR, BYTE *destination, LONG, LONG, LONG, LONG,
                                              LONG destinationStride) {
  if (!sources || !sources[0] || !sourceStrides || !destination)
    return E_POINTER;
  const std::int64_t rowBytes = std::int64_t(width) * 4;
  if (width < 1 || height < 1 || sourceStrides[0] < rowBytes || destinationStride < rowBytes)
    return E_INVALIDARG;

  const SourcePicture src{sources[0], sourceStrides[0]};
  const DestinationPicture dst{destination, destinationStride};
  const PictureSize size{width, height};
  const double x = effectValue;
  if (effectId < kWave || effectId > kPanelRotate)
    return S_OK;
  switch (static_cast<SoftwareEffect>(effectId)) {
  case kWave: {
    const HRESULT hr = BuildWaveTables(sineTable, cosineTable);
    if (FAILED(hr))
      return hr;
    return Wave(src, dst, size, x, sineTable.get(), cosineTable.get());
  }
  case kReplicate:
    Replicate(src, dst, size, x);
    return S_OK;
  case kMirrorFromTop:
    MirrorFromTop(src, dst, size, x);
    return S_OK;
  case kMirrorFromBottom:
    MirrorFromBottom(src, dst, size, x);
    return S_OK;
  case kMirrorFromLeft:
    MirrorFromLeft(src, dst, size, x);
    return S_OK;
  case kMirrorFromRight:
    MirrorFromRight(src, dst, size, x);
    return S_OK;
  case kColorShiftHorizontal:
    ColorShiftHorizontal(src, dst, size, x);
    return S_OK;
  case kColorShiftVertical:
    ColorShiftVertical(src, dst, size, x);
    return S_OK;
  case kColorShiftDiagonal:
    ColorShiftDiagonal(src, dst, size, x);
    return S_OK;
  case kPanelRotate:
    PanelRotate(src, dst, size, x);
    return S_OK;
  }
  return S_OK;
}
