// Texture sampling with Direct3D 9's conventions: texel centres at (i + 0.5) / size, point
// sampling takes the texel the coordinate falls in, linear blends the four nearest centres.
#include "platform/d3d9/Pipeline.h"

#include <cmath>

namespace zrq::d3d9 {
namespace {

// Maps an integer texel coordinate into 0..size−1; -1 means the border colour.
int64_t Address(int64_t i, int size, DWORD mode) {
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
    default: {  // unknown modes wrap, the default
      int64_t m = i % n;
      return m < 0 ? m + n : m;
    }
  }
}

// Texel-space coordinate, kept finite and within a range where integer conversion is safe.
double Scaled(double coord, int size) {
  const double t = coord * size;
  if (!(t > -1e9 && t < 1e9)) return 0.0;
  return t;
}

uint32_t Fetch(const StageSetup &s, int64_t x, int64_t y) {
  const int64_t ax = Address(x, s.texture.width, s.sampler.addressU);
  const int64_t ay = Address(y, s.texture.height, s.sampler.addressV);
  if (ax < 0 || ay < 0) return s.sampler.border;
  return s.texture.texels[ay * s.texture.pitch + ax] | s.texture.alphaOr;
}

}  // namespace

uint32_t SampleTexture(const StageSetup &s, double u, double v, bool magnified) {
  const DWORD filter = magnified ? s.sampler.magFilter : s.sampler.minFilter;
  const double tu = Scaled(u, s.texture.width), tv = Scaled(v, s.texture.height);
  if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE)
    return Fetch(s, static_cast<int64_t>(std::floor(tu)), static_cast<int64_t>(std::floor(tv)));

  // Linear (and the filters this device approximates with it).
  const double fx = tu - 0.5, fy = tv - 0.5;
  const double x0 = std::floor(fx), y0 = std::floor(fy);
  const uint32_t wx = static_cast<uint32_t>(std::lround((fx - x0) * 256.0));
  const uint32_t wy = static_cast<uint32_t>(std::lround((fy - y0) * 256.0));
  const int64_t ix = static_cast<int64_t>(x0), iy = static_cast<int64_t>(y0);
  const uint32_t c00 = Fetch(s, ix, iy), c10 = Fetch(s, ix + 1, iy);
  const uint32_t c01 = Fetch(s, ix, iy + 1), c11 = Fetch(s, ix + 1, iy + 1);
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t a = (c00 >> shift) & 0xFF, b = (c10 >> shift) & 0xFF;
    const uint32_t c = (c01 >> shift) & 0xFF, d = (c11 >> shift) & 0xFF;
    const uint32_t top = a * (256 - wx) + b * wx, bottom = c * (256 - wx) + d * wx;
    const uint32_t value = (top * (256 - wy) + bottom * wy + 32768) >> 16;
    out |= (value > 255 ? 255 : value) << shift;
  }
  return out;
}

}  // namespace zrq::d3d9
