// The two pictures one software frame works on, already checked by the processor: both have
// `height` rows of at least 4 x `width` bytes, `stride` bytes apart.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

struct SourcePicture {
  const BYTE *pixels;
  std::ptrdiff_t stride;

  const BYTE *Row(LONG r) const { return pixels + r * stride; }
};

struct DestinationPicture {
  BYTE *pixels;
  std::ptrdiff_t stride;

  BYTE *Row(LONG r) const { return pixels + r * stride; }
};

struct PictureSize {
  LONG width;
  LONG height;
};

// Whole pixels move as one 32-bit word; memcpy keeps that free of alignment and aliasing traps.
inline std::uint32_t LoadPixel(const BYTE *p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void StorePixel(BYTE *p, std::uint32_t v) { std::memcpy(p, &v, 4); }
