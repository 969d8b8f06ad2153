// Texture sampling with Direct3D 9's conventions: texel centres at (i + 0.5) / size, point
// sampling takes the texel the coordinate falls in, linear blends the four nearest centres.
#include "platform/d3d9/TexelFetch.h"

#include <cmath>

namespace zrq::d3d9 {
namespace {

// Texel-space coordinate, kept finite and within a range where integer conversion is safe.
double Scaled(double coord, int size) {
  const double t = coord * size;
  if (!(t > -1e9 && t < 1e9)) return 0.0;
  return t;
}

} // namespace

uint32_t SampleTexture(const StageSetup &s, double u, double v, bool magnified) {
  const DWORD filter = magnified ? s.sampler.magFilter : s.sampler.minFilter;
  const double tu = Scaled(u, s.texture.width), tv = Scaled(v, s.texture.height);
  if (filter == D3DTEXF_POINT || filter == D3DTEXF_NONE)
    return FetchTexel(s, static_cast<int64_t>(std::floor(tu)),
                      static_cast<int64_t>(std::floor(tv)));

  // Linear (and the filters this device approximates with it).
  const double fx = tu - 0.5, fy = tv - 0.5;
  const double x0 = std::floor(fx), y0 = std::floor(fy);
  const uint32_t wx = static_cast<uint32_t>(std::lround((fx - x0) * 256.0));
  const uint32_t wy = static_cast<uint32_t>(std::lround((fy - y0) * 256.0));
  const int64_t ix = static_cast<int64_t>(x0), iy = static_cast<int64_t>(y0);
  const uint32_t c00 = FetchTexel(s, ix, iy), c10 = FetchTexel(s, ix + 1, iy);
  const uint32_t c01 = FetchTexel(s, ix, iy + 1), c11 = FetchTexel(s, ix + 1, iy + 1);
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

} // namespace zrq::d3d9
