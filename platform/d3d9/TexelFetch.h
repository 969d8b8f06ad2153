// One texel of a stage's texture by integer coordinates, through its address modes: shared by
// the fixed-function sampler and the shader's texture reads.
#pragma once

#include "platform/d3d9/Pipeline.h"

namespace zrq::d3d9 {

// Maps an integer texel coordinate into 0..size−1; -1 means the border colour.
inline int64_t TexelAddress(int64_t i, int size, DWORD mode) {
  const int64_t n = size;
  switch (mode) {
  case D3DTADDRESS_MIRROR: {
    int64_t m = i % (2 * n);
    if (m < 0) m += 2 * n;
    return m < n ? m : 2 * n - 1 - m;
  }
  case D3DTADDRESS_CLAMP:
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
  case D3DTADDRESS_BORDER:
    return (i < 0 || i >= n) ? -1 : i;
  case D3DTADDRESS_MIRRORONCE: {
    const int64_t m = i < 0 ? -i - 1 : i;
    return m >= n ? n - 1 : m;
  }
  case D3DTADDRESS_WRAP:
  default: { // unknown modes wrap, the default
    int64_t m = i % n;
    return m < 0 ? m + n : m;
  }
  }
}

inline uint32_t FetchTexel(const StageSetup &s, int64_t x, int64_t y) {
  const int64_t ax = TexelAddress(x, s.texture.width, s.sampler.addressU);
  const int64_t ay = TexelAddress(y, s.texture.height, s.sampler.addressV);
  if (ax < 0 || ay < 0) return s.sampler.border;
  return s.texture.texels[ay * s.texture.pitch + ax] | s.texture.alphaOr;
}

} // namespace zrq::d3d9
