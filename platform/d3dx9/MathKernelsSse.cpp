// The math routines in SSE: a row of a product is the rows of the right matrix scaled by the
// left row's entries and added in the plain routine's order, so the results are the same.
#include <xmmintrin.h>

#include "platform/d3dx9/MathKernels.h"

namespace zrq::d3dx9 {
namespace {

// v.x × row 0 + v.y × row 1 + v.z × row 2 (+ row 3), lane by lane, in that order.
__m128 Combine(const D3DXMATRIX *m, float x, float y, float z, bool translate) {
  __m128 r = _mm_mul_ps(_mm_set1_ps(x), _mm_loadu_ps(m->m[0]));
  r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(y), _mm_loadu_ps(m->m[1])));
  r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(z), _mm_loadu_ps(m->m[2])));
  return translate ? _mm_add_ps(r, _mm_loadu_ps(m->m[3])) : r;
}

void Multiply(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b) {
  const __m128 b0 = _mm_loadu_ps(b->m[0]), b1 = _mm_loadu_ps(b->m[1]), b2 = _mm_loadu_ps(b->m[2]),
               b3 = _mm_loadu_ps(b->m[3]);
  __m128 rows[4];
  for (int i = 0; i < 4; ++i) {
    __m128 r = _mm_mul_ps(_mm_set1_ps(a->m[i][0]), b0);
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a->m[i][1]), b1));
    r = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a->m[i][2]), b2));
    rows[i] = _mm_add_ps(r, _mm_mul_ps(_mm_set1_ps(a->m[i][3]), b3));
  }
  // Stored after all rows are read, so that out may be one of the inputs.
  for (int i = 0; i < 4; ++i) _mm_storeu_ps(out->m[i], rows[i]);
}

void TransformCoord(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m) {
  float r[4];
  _mm_storeu_ps(r, Combine(m, v->x, v->y, v->z, true));
  const float inv = r[3] != 0.0f ? 1.0f / r[3] : 0.0f;
  *out = D3DXVECTOR3(r[0] * inv, r[1] * inv, r[2] * inv);
}

void TransformNormal(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m) {
  float r[4];
  _mm_storeu_ps(r, Combine(m, v->x, v->y, v->z, false));
  *out = D3DXVECTOR3(r[0], r[1], r[2]);
}

void Normalize(D3DXVECTOR3 *out, const D3DXVECTOR3 *v) {
  const float square = v->x * v->x + v->y * v->y + v->z * v->z;
  const float length = _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(square)));
  if (length == 0.0f) {
    *out = D3DXVECTOR3();
    return;
  }
  const float inv = 1.0f / length;
  *out = D3DXVECTOR3(v->x * inv, v->y * inv, v->z * inv);
}

constexpr MathKernels kSse = {"sse", Multiply, TransformCoord, TransformNormal, Normalize};

} // namespace

const MathKernels &SseKernels() { return kSse; }

} // namespace zrq::d3dx9
