// The D3DX matrix routines. Matrices are row-vector matrices: v × M, translation in row 4. The
// product takes the processor-specific form chosen at load.
#include <d3dx9math.h>

#include <cmath>
#include <utility>

#include "platform/d3dx9/MathKernels.h"

namespace {

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

} // namespace

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixMultiply(D3DXMATRIX *pOut, const D3DXMATRIX *pM1, const D3DXMATRIX *pM2) {
  if (!pOut || !pM1 || !pM2) return nullptr;
  zrq::d3dx9::ActiveKernels().multiply(pOut, pM1, pM2);
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixIdentity(D3DXMATRIX *pOut) {
  if (!pOut) return nullptr;
  *pOut = Identity();
  return pOut;
}

ZRQ_D3DX_API(BOOL) D3DXMatrixIsIdentity(const D3DXMATRIX *pM) {
  return pM && *pM == Identity() ? TRUE : FALSE;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixTranspose(D3DXMATRIX *pOut, const D3DXMATRIX *pM) {
  if (!pOut || !pM) return nullptr;
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = pM->m[j][i];
  *pOut = r;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixInverse(D3DXMATRIX *pOut, FLOAT *pDeterminant, const D3DXMATRIX *pM) {
  if (!pOut || !pM) return nullptr;
  // Gauss-Jordan elimination with partial pivoting, in double for a stable result.
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      a[i][j] = pM->m[i][j];
      a[i][j + 4] = i == j ? 1.0 : 0.0;
    }
  double det = 1.0;
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    if (a[pivot][c] == 0.0) {
      if (pDeterminant) *pDeterminant = 0.0f;
      return nullptr;
    }
    if (pivot != c) {
      for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
      det = -det;
    }
    det *= a[c][c];
    const double inv = 1.0 / a[c][c];
    for (int j = 0; j < 8; ++j) a[c][j] *= inv;
    for (int r = 0; r < 4; ++r) {
      if (r == c || a[r][c] == 0.0) continue;
      const double f = a[r][c];
      for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
    }
  }
  if (pDeterminant) *pDeterminant = static_cast<FLOAT>(det);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) pOut->m[i][j] = static_cast<FLOAT>(a[i][j + 4]);
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixTranslation(D3DXMATRIX *pOut, FLOAT x, FLOAT y, FLOAT z) {
  if (!pOut) return nullptr;
  *pOut = Identity();
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixScaling(D3DXMATRIX *pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
  if (!pOut) return nullptr;
  *pOut = Identity();
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationX(D3DXMATRIX *pOut, FLOAT Angle) {
  if (!pOut) return nullptr;
  const FLOAT c = std::cos(Angle), s = std::sin(Angle);
  *pOut = Identity();
  pOut->_22 = c;
  pOut->_23 = s;
  pOut->_32 = -s;
  pOut->_33 = c;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationY(D3DXMATRIX *pOut, FLOAT Angle) {
  if (!pOut) return nullptr;
  const FLOAT c = std::cos(Angle), s = std::sin(Angle);
  *pOut = Identity();
  pOut->_11 = c;
  pOut->_13 = -s;
  pOut->_31 = s;
  pOut->_33 = c;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationZ(D3DXMATRIX *pOut, FLOAT Angle) {
  if (!pOut) return nullptr;
  const FLOAT c = std::cos(Angle), s = std::sin(Angle);
  *pOut = Identity();
  pOut->_11 = c;
  pOut->_12 = s;
  pOut->_21 = -s;
  pOut->_22 = c;
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixOrthoLH(D3DXMATRIX *pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  if (!pOut) return nullptr;
  *pOut = Identity();
  pOut->_11 = 2.0f / w;
  pOut->_22 = 2.0f / h;
  pOut->_33 = 1.0f / (zf - zn);
  pOut->_43 = zn / (zn - zf);
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixOrthoOffCenterLH(D3DXMATRIX *pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                           FLOAT zf) {
  if (!pOut) return nullptr;
  *pOut = Identity();
  pOut->_11 = 2.0f / (r - l);
  pOut->_22 = 2.0f / (t - b);
  pOut->_33 = 1.0f / (zf - zn);
  pOut->_41 = (l + r) / (l - r);
  pOut->_42 = (t + b) / (b - t);
  pOut->_43 = zn / (zn - zf);
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixPerspectiveFovLH(D3DXMATRIX *pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf) {
  if (!pOut) return nullptr;
  const FLOAT yScale = 1.0f / std::tan(fovy / 2.0f);
  *pOut = D3DXMATRIX();
  pOut->_11 = yScale / Aspect;
  pOut->_22 = yScale;
  pOut->_33 = zf / (zf - zn);
  pOut->_34 = 1.0f;
  pOut->_43 = -zn * zf / (zf - zn);
  return pOut;
}

ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixLookAtLH(D3DXMATRIX *pOut, const D3DXVECTOR3 *pEye, const D3DXVECTOR3 *pAt,
                   const D3DXVECTOR3 *pUp) {
  if (!pOut || !pEye || !pAt || !pUp) return nullptr;
  D3DXVECTOR3 zaxis = *pAt - *pEye, xaxis, yaxis;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVec3Cross(&xaxis, pUp, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0, xaxis.y, yaxis.y, zaxis.y, 0, xaxis.z, yaxis.z,
                     zaxis.z, 0, -D3DXVec3Dot(&xaxis, pEye), -D3DXVec3Dot(&yaxis, pEye),
                     -D3DXVec3Dot(&zaxis, pEye), 1);
  return pOut;
}
