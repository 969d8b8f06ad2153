// The software path's effect processor: all ten effects computed on 32-bit pixel memory.
#pragma once

#include <windows.h>

#include "render/software/WorkingMemory.h"

#include <memory>

class SoftwareEffectProcessor {
public:
  explicit SoftwareEffectProcessor(LONG effectId);
  ~SoftwareEffectProcessor();
  SoftwareEffectProcessor(const SoftwareEffectProcessor &) = delete;
  SoftwareEffectProcessor &operator=(const SoftwareEffectProcessor &) = delete;

  // Picture size in pixels, used by every later frame.
  HRESULT SetSize(LONG width, LONG height);

  // Takes the effect value (a 64-bit float, 0..1) that `value` points to; `size` is its size in
  // bytes. The value is clamped to 0..1 and NaN becomes 0; a null `value` gives E_POINTER.
  HRESULT SetEffectValue(const void *value, INT size);

  // Writes the destination picture from the first source picture. Strides are in bytes and
  // rows are in memory order. Arguments 2 and 4 and the rectangle are not read. Null pictures,
  // strides or source array give E_POINTER, a size below 1 x 1 or a stride below 4 x width
  // E_INVALIDARG, missing working memory for the wave E_OUTOFMEMORY; nothing is written then.
  // An identifier outside 2001..2010 writes nothing and gives S_OK.
  HRESULT ProcessFrame(BYTE *const *sources, ULONG_PTR reserved2, const LONG *sourceStrides,
                       ULONG_PTR reserved4, BYTE *destination, LONG left, LONG top, LONG right,
                       LONG bottom, LONG destinationStride);

  LONG EffectId() const { return effectId; }
  double EffectValue() const { return effectValue; }

private:
  double effectValue = 0.0;
  LONG effectId;
  LONG width = 640;
  LONG height = 480;
  std::unique_ptr<signed char[]> sineTable;
  std::unique_ptr<signed char[]> cosineTable;
  // The routines' per-frame arrays, kept so that a frame allocates nothing after the first.
  // One frame at a time: the effect calls ProcessFrame under its render lock.
  WorkingMemory workingMemory;
};
