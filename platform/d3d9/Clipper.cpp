// Clipping in homogeneous space. Near (z ≥ 0) and far (z ≤ w) are clipped exactly; x and y
// are clipped to a guard band eight viewports wide, which keeps screen coordinates small for
// the rasteriser while the viewport itself is enforced per pixel, so the result equals clipping
// to the viewport.
#include "platform/d3d9/Pipeline.h"

namespace zrq::d3d9 {
namespace {

constexpr float kGuard = 8.0f;
constexpr float kMinW = 1e-6f;
constexpr int kPlaneCount = 7;

// Signed distance to a plane; inside where ≥ 0.
float Distance(const ClipVertex &v, int plane) {
  switch (plane) {
  case 0:
    return v.z;
  case 1:
    return v.w - v.z;
  case 2:
    return kGuard * v.w + v.x;
  case 3:
    return kGuard * v.w - v.x;
  case 4:
    return kGuard * v.w + v.y;
  case 5:
    return kGuard * v.w - v.y;
  default:
    return v.w - kMinW;
  }
}

ClipVertex Lerp(const ClipVertex &a, const ClipVertex &b, float t) {
  ClipVertex r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  r.z = a.z + (b.z - a.z) * t;
  r.w = a.w + (b.w - a.w) * t;
  for (int i = 0; i < kVaryings; ++i) r.v[i] = a.v[i] + (b.v[i] - a.v[i]) * t;
  return r;
}

} // namespace

bool InsideClipVolume(const ClipVertex &v) {
  for (int p = 0; p < kPlaneCount; ++p)
    if (!(Distance(v, p) >= 0.0f)) return false;
  return true;
}

int ClipTriangle(const ClipVertex &a, const ClipVertex &b, const ClipVertex &c, ClipVertex *out) {
  ClipVertex bufA[kMaxClipped], bufB[kMaxClipped];
  ClipVertex *in = bufA, *next = bufB;
  in[0] = a;
  in[1] = b;
  in[2] = c;
  int count = 3;
  for (int p = 0; p < kPlaneCount && count > 0; ++p) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
      const ClipVertex &cur = in[i], &nxt = in[(i + 1) % count];
      const float dc = Distance(cur, p), dn = Distance(nxt, p);
      const bool cin = dc >= 0.0f, nin = dn >= 0.0f;
      // Each plane adds at most one vertex to a convex polygon: 3 + 7 stays below the limit.
      if (cin) next[n++] = cur;
      if (cin != nin && n < kMaxClipped) next[n++] = Lerp(cur, nxt, dc / (dc - dn));
    }
    count = n;
    ClipVertex *t = in;
    in = next;
    next = t;
  }
  for (int i = 0; i < count; ++i) out[i] = in[i];
  return count;
}

} // namespace zrq::d3d9
