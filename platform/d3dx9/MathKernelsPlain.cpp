// The math routines in plain C++, for every processor.
#include <cmath>

#include "platform/d3dx9/MathKernels.h"

namespace zrq::d3dx9 {
namespace {

void Multiply(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b) {
  // Computed into a temporary so that out may be one of the inputs.
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] +
                  a->m[i][3] * b->m[3][j];
  *out = r;
}

void TransformCoord(D3DXVECTOR3 *out, const D3DXVECTOR3 *pv, const D3DXMATRIX *m) {
  const D3DXVECTOR3 v = *pv;
  const FLOAT w = v.x * m->_14 + v.y * m->_24 + v.z * m->_34 + m->_44;
  const FLOAT inv = w != 0.0f ? 1.0f / w : 0.0f;
  *out = D3DXVECTOR3((v.x * m->_11 + v.y * m->_21 + v.z * m->_31 + m->_41) * inv,
                     (v.x * m->_12 + v.y * m->_22 + v.z * m->_32 + m->_42) * inv,
                     (v.x * m->_13 + v.y * m->_23 + v.z * m->_33 + m->_43) * inv);
}

void TransformNormal(D3DXVECTOR3 *out, const D3DXVECTOR3 *pv, const D3DXMATRIX *m) {
  const D3DXVECTOR3 v = *pv;
  *out = D3DXVECTOR3(v.x * m->_11 + v.y * m->_21 + v.z * m->_31,
                     v.x * m->_12 + v.y * m->_22 + v.z * m->_32,
                     v.x * m->_13 + v.y * m->_23 + v.z * m->_33);
}

void Normalize(D3DXVECTOR3 *out, const D3DXVECTOR3 *v) {
  const FLOAT length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  // A zero vector stays zero rather than turning into NaNs.
  *out = length == 0.0f ? D3DXVECTOR3() : *v * (1.0f / length);
}

constexpr MathKernels kPlain = {"plain", Multiply, TransformCoord, TransformNormal, Normalize};

} // namespace

const MathKernels &PlainKernels() { return kPlain; }

} // namespace zrq::d3dx9
