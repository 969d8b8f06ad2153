// A slow, literal model of the software processor's ten effects, written for clarity only, so
// the tuned routines can be compared with it byte for byte.
#pragma once

#include <windows.h>

// Writes `dst` from `src` as effect `effectId` at value `x` (already in 0..1). The pictures are
// `width` x `height` pixels with the given byte strides.
void ReferenceProcess(LONG effectId, double x, LONG width, LONG height, const BYTE *src,
                      LONG srcStride, BYTE *dst, LONG dstStride);
