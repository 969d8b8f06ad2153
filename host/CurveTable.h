// The --curve table: "Effect Value" at evenly spaced times, as frames render it and as the
// natural spline through the key frames, so a user can see the curve they set up.
#pragma once

#include "host/EffectNames.h"
#include "host/Status.h"

#include <ZRQDistortion2D.h>

#include <string>

// `samples` (at least 2) rows at times 0, 1/(samples-1), ..., 1, under a heading naming
// the effect; the first failing evaluation is the error.
Result<std::string> CurveTable(IEffectParameters *parameters, const EffectNames &names,
                               LONG effectId, int samples);
