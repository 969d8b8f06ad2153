2#include "common.h"
sampler2D s : register(s1);
struct P { float2 q; float k; };
static const float kHalf = 0.5;
float sgn(float x) { if (x < 0) return -1; if (x > 0) return 1; return 0; }
void split(float4 v, out float4 lo, out float4 hi) { lo = min(v, 0); hi = max(v, 0); }
float4 main(float4 a : TEXCOORD0, float2 b : TEXCOORD1) : COLOR {
  float4 r = 0, lo, hi;
  [unroll] for (int i = 0; i < 3; i++) { if (r.x > 2) break; r += abs(a) * i; if (i == 1) continue; r.y -= 1; }
  split(a, lo, hi);
  P p = (P)0; p.q = b * kHalf;
  r = lerp(r, tex2D(s, p.q), saturate(a.w)) + Scale(hi - lo) * sgn(a.z);
  clip(r.x);
  if (FUZZ && r.y < 0) discard;
  return r.x > r.y ? r : float4(normalize(r.xyz), dot(r, a)) + frac(b.x * 10);
}
