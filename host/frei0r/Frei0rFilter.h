// One frei0r filter instance: an effect of the module on its software path, for frames of one
// size. frei0r frames are top-down and the module works bottom-up, so each frame is turned
// over on the way in and on the way out; everything a frame needs is allocated up front.
#pragma once

#include "host/EffectModule.h"
#include "host/Frame.h"
#include "host/FrameRenderer.h"

#include <ZRQDistortion2D.h>

#include <cstdint>
#include <memory>

class Frei0rFilter {
public:
  // An effect `id` at value 50 (the parameter's own default) for frames of width × height;
  // null when the module cannot make one (the reason goes to standard error, since frei0r
  // has no way to return it).
  static std::unique_ptr<Frei0rFilter> Create(const EffectModule &module, EffectId id,
                                              unsigned width, unsigned height);

  // The value in percent (0..100) and the effect; each takes effect at the next frame.
  void SetPercent(double percent) { wantedPercent = percent; }
  double Percent() const { return wantedPercent; }
  void SetEffect(EffectId id) { wantedEffect = id; }
  EffectId Effect() const { return wantedEffect; }

  // Renders `in` into `out` (both top-down, width × height pixels). A frame the effect cannot
  // render goes out unchanged, since a filter has no way to fail.
  void Update(const uint32_t *in, uint32_t *out);

private:
  Frei0rFilter(CComPtr<IUnknown> effect, CComPtr<IEffectParameters> parameters,
               std::unique_ptr<FrameRenderer> renderer, Frame source, Frame destination);
  // Hands the effect the value and the effect wanted, if they changed.
  bool ApplyWanted();

  CComPtr<IUnknown> effect;
  CComPtr<IEffectParameters> parameters;
  std::unique_ptr<FrameRenderer> renderer;
  Frame source;      // the input turned bottom-up
  Frame destination; // the effect's picture, bottom-up
  double wantedPercent = 50.0;
  double appliedPercent = 50.0;
  EffectId wantedEffect = WaveEffectId;
  EffectId appliedEffect = WaveEffectId;
};
