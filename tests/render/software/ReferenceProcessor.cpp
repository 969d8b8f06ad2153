#include "render/software/ReferenceProcessor.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct Pictures {
  LONG w, h;
  const BYTE *src;
  LONG ss;
  BYTE *dst;
  LONG ds;
  const BYTE *S(LONG r, LONG c, int b) const {
    return src + std::ptrdiff_t(r) * ss + 4 * std::ptrdiff_t(c) + b;
  }
  BYTE *D(LONG r, LONG c, int b) const {
    return dst + std::ptrdiff_t(r) * ds + 4 * std::ptrdiff_t(c) + b;
  }
  void CopyPixel(LONG dr, LONG dc, LONG sr, LONG sc) const {
    std::memcpy(D(dr, dc, 0), S(sr, sc, 0), 4);
  }
};

void CopyStep(const Pictures &p) {
  if (p.ss == p.ds) {
    // One block, ending with the last row's pixels.
    std::memcpy(p.dst, p.src, std::size_t(p.h - 1) * std::size_t(p.ss) + 4 * std::size_t(p.w));
  } else {
    for (LONG r = 0; r < p.h; ++r) std::memcpy(p.D(r, 0, 0), p.S(r, 0, 0), 4 * std::size_t(p.w));
  }
}

void Mirror(const Pictures &p, LONG id, double x) {
  CopyStep(p);
  const LONG W = p.w, H = p.h;
  if (id == 2003 || id == 2004) {
    const LONG n = LONG(std::trunc(H * x * 0.5));
    for (LONG i = 0; i < n; ++i)
      for (LONG c = 0; c < W; ++c) {
        if (id == 2003)
          p.CopyPixel(H - 1 - i, c, H - 2 * n + i, c);
        else
          p.CopyPixel(i, c, 2 * n - 1 - i, c);
      }
    return;
  }
  const LONG n = LONG(std::trunc(W * x * 0.5));
  for (LONG r = 0; r < H; ++r)
    for (LONG k = 0; k < n; ++k) {
      if (id == 2005)
        p.CopyPixel(r, n - 1 - k, r, n + k);
      else
        p.CopyPixel(r, W - 1 - k, r, W - 2 * n + k);
    }
}

void ColorShift(const Pictures &p, LONG id, double x) {
  CopyStep(p);
  const LONG W = p.w, H = p.h;
  double C;
  if (id == 2007)
    C = W * 0.25;
  else if (id == 2008)
    C = H * 0.25;
  else
    C = std::sqrt(double(std::int64_t(W) * W + std::int64_t(H) * H)) * 0.25;
  double s;
  if (x <= 0.25)
    s = x;
  else if (x <= 0.5)
    s = 0.5 - x;
  else if (x <= 0.75)
    s = x - 0.5;
  else
    s = 1 - x;
  const LONG n = LONG(std::trunc(C * s));
  const bool first = x <= 0.5;
  if (id == 2007) {
    for (LONG r = 0; r < H; ++r)
      for (LONG j = 0; j <= W - n - 2; ++j) {
        if (first) {
          *p.D(r, j + n, 2) = *p.S(r, j, 2);
        } else {
          *p.D(r, j, 1) = *p.S(r, j + n / 2, 1);
          *p.D(r, j, 2) = *p.S(r, j + n, 2);
        }
      }
  } else if (id == 2008) {
    for (LONG k = 0; k <= H - n - 2; ++k)
      for (LONG j = 0; j < W; ++j) {
        if (first)
          *p.D(k + n, j, 2) = *p.S(k, j, 2);
        else
          *p.D(k, j, 0) = *p.S(k + n, j, 0);
      }
  } else {
    for (LONG k = 0; k <= H - n - 2; ++k)
      for (LONG j = 0; j <= W - n - 2; ++j) {
        if (first) {
          *p.D(k + n, j + n, 2) = *p.S(k, j, 2);
        } else {
          *p.D(k, j, 0) = *p.S(k + n, j + n, 0);
          *p.D(k, j, 1) = *p.S(k + n, j + n, 1);
        }
      }
  }
}

void Replicate(const Pictures &p, double x) {
  const LONG n = LONG(std::trunc(x * 7.0 + 0.5)) + 1;
  const LONG ch = p.h / n, cw = p.w / n;
  if (ch <= 0) return;
  for (LONG tr = 0; tr < n; ++tr)
    for (LONG tc = 0; tc < n; ++tc)
      for (LONG r = 0; r < ch; ++r)
        for (LONG c = 0; c < cw; ++c)
          for (int b = 0; b < 3; ++b) *p.D(tr * ch + r, tc * cw + c, b) = *p.S(n * r, n * c, b);
}

void PanelRotate(const Pictures &p, double x) {
  const double theta = x * 12.566370964050293;
  const float cosT = float(std::cos(theta));
  const float sinT = float(std::sin(theta));
  const LONG cx = p.w / 2, cy = p.h / 2;
  for (LONG r = 0; r < p.h; ++r) {
    const LONG dy = r - cy;
    const double dySin = double(dy) * double(sinT);
    const double dyCos = double(dy) * double(cosT);
    for (LONG i = 0; i < p.w; ++i) {
      const LONG dx = i - cx;
      const LONG u = cx + LONG(std::trunc(double(dx) * double(cosT) + dySin));
      const LONG v = cy + LONG(std::trunc(-double(dx) * double(sinT) + dyCos));
      if (0 <= u && u < p.w && 0 <= v && v < p.h)
        p.CopyPixel(r, i, v, u);
      else
        std::memset(p.D(r, i, 0), 0, 4);
    }
  }
}

int WaveD(const signed char *T, std::uint32_t p, int phi, int k1, int k2, int k3, int k4, int k5) {
  const std::uint32_t i1 = (256u * p / std::uint32_t(k1) + std::uint32_t(3 * phi)) % 256u;
  const std::uint32_t i2 = (256u * p / std::uint32_t(k4) + std::uint32_t(2 * phi)) % 256u;
  const std::uint32_t i3 = (256u * p / std::uint32_t(k5) + std::uint32_t(5 * phi)) % 256u;
  return int(std::floor(k2 * T[i1] / 256.0)) + int(std::floor(k1 * T[i2] / 256.0)) +
         int(std::floor(k3 * T[i3] / 256.0));
}

void Wave(const Pictures &p, double x) {
  signed char sine[256], cosine[256];
  for (int i = 0; i < 256; ++i)
    sine[i] = static_cast<signed char>(std::trunc(128 * std::sin(i * 6.2831854820251465 / 256)));
  for (int i = 0; i < 256; ++i) cosine[(i + 192) % 256] = sine[i];
  const int phi = int(std::trunc(256 * x));
  const double A = 255 * x;
  const int k1 = int(std::trunc(A * 0.3333333333333333 + 1));
  const int k2 = int(std::trunc(A * 0.09090909090909091 + 1));
  const int k3 = int(std::trunc(A * 0.058823529411764705 + 1));
  const int k4 = int(std::trunc(A * 0.8333333333333334 + 1));
  const int k5 = int(std::trunc(A * 0.2 + 1));
  for (LONG r = 0; r < p.h; ++r)
    for (LONG c = 0; c < p.w; ++c) {
      const LONG sr = r + WaveD(cosine, std::uint32_t(c), phi, k1, k2, k3, k4, k5);
      const LONG sc = c + WaveD(sine, std::uint32_t(r), phi, k1, k2, k3, k4, k5);
      if (0 <= sr && sr < p.h && 0 <= sc && sc < p.w)
        p.CopyPixel(r, c, sr, sc);
      else
        std::memset(p.D(r, c, 0), 0, 4);
    }
}

} // namespace

void ReferenceProcess(LONG effectId, double x, LONG width, LONG height, const BYTE *src,
                      LONG srcStride, BYTE *dst, LONG dstStride) {
  const Pictures p{width, height, src, srcStride, dst, dstStride};
  if (effectId == 2001)
    Wave(p, x);
  else if (effectId == 2002)
    Replicate(p, x);
  else if (effectId >= 2003 && effectId <= 2006)
    Mirror(p, effectId, x);
  else if (effectId >= 2007 && effectId <= 2009)
    ColorShift(p, effectId, x);
  else if (effectId == 2010)
    PanelRotate(p, x);
}
