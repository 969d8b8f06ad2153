// D3DX math: matrix and vector types with their operators, and the matrix routines. Matrices
// are row-vector matrices as in Direct3D: a point is transformed as v × M.
#pragma once

#include "d3d9types.h"

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

#define D3DXINLINE inline
#define ZRQ_D3DX_API(type) EXTERN_C ZRQ_PLATFORM_EXPORT type WINAPI

struct D3DXVECTOR2 {
  FLOAT x = 0, y = 0;
  D3DXVECTOR2() = default;
  D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}
  bool operator==(const D3DXVECTOR2 &v) const { return x == v.x && y == v.y; }
  bool operator!=(const D3DXVECTOR2 &v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
  D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) : D3DVECTOR{fx, fy, fz} {}
  D3DXVECTOR3(const D3DVECTOR &v) : D3DVECTOR(v) {}
  D3DXVECTOR3 operator+(const D3DXVECTOR3 &v) const { return {x + v.x, y + v.y, z + v.z}; }
  D3DXVECTOR3 operator-(const D3DXVECTOR3 &v) const { return {x - v.x, y - v.y, z - v.z}; }
  D3DXVECTOR3 operator*(FLOAT f) const { return {x * f, y * f, z * f}; }
  D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  bool operator==(const D3DXVECTOR3 &v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3 &v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
  FLOAT x = 0, y = 0, z = 0, w = 0;
  D3DXVECTOR4() = default;
  D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}
  bool operator==(const D3DXVECTOR4 &v) const {
    return x == v.x && y == v.y && z == v.z && w == v.w;
  }
  bool operator!=(const D3DXVECTOR4 &v) const { return !(*this == v); }
};

struct D3DXMATRIX;
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixMultiply(D3DXMATRIX *pOut, const D3DXMATRIX *pM1, const D3DXMATRIX *pM2);

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX &m) : D3DMATRIX(m) {}
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
      : D3DMATRIX{} {
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
  }
  FLOAT &operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
  D3DXMATRIX operator*(const D3DXMATRIX &other) const {
    D3DXMATRIX out;
    D3DXMatrixMultiply(&out, this, &other);
    return out;
  }
  D3DXMATRIX &operator*=(const D3DXMATRIX &other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
  }
  bool operator==(const D3DXMATRIX &o) const {
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c)
        if (m[r][c] != o.m[r][c]) return false;
    return true;
  }
  bool operator!=(const D3DXMATRIX &o) const { return !(*this == o); }
};
typedef D3DXMATRIX *LPD3DXMATRIX;

// Each routine writes *pOut and returns pOut; pOut may alias an input. A null pOut (or a null
// input) writes nothing and returns null.
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixIdentity(D3DXMATRIX *pOut);
ZRQ_D3DX_API(BOOL) D3DXMatrixIsIdentity(const D3DXMATRIX *pM);
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixTranspose(D3DXMATRIX *pOut, const D3DXMATRIX *pM);
// Inverse of pM; *pDeterminant receives the determinant when not null. A singular matrix
// gives null and leaves *pOut untouched.
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixInverse(D3DXMATRIX *pOut, FLOAT *pDeterminant, const D3DXMATRIX *pM);
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixTranslation(D3DXMATRIX *pOut, FLOAT x, FLOAT y, FLOAT z);
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixScaling(D3DXMATRIX *pOut, FLOAT sx, FLOAT sy, FLOAT sz);
// Rotations by Angle radians, counter-clockwise when looking from the positive axis toward the
// origin in a left-handed system (x right, y up, z into the screen: RotationZ turns x toward y).
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationX(D3DXMATRIX *pOut, FLOAT Angle);
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationY(D3DXMATRIX *pOut, FLOAT Angle);
ZRQ_D3DX_API(D3DXMATRIX *) D3DXMatrixRotationZ(D3DXMATRIX *pOut, FLOAT Angle);
// Left-handed orthographic projections: the view volume maps to x, y in -1..1 and z in 0..1.
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixOrthoLH(D3DXMATRIX *pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixOrthoOffCenterLH(D3DXMATRIX *pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                           FLOAT zf);
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixPerspectiveFovLH(D3DXMATRIX *pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf);
ZRQ_D3DX_API(D3DXMATRIX *)
D3DXMatrixLookAtLH(D3DXMATRIX *pOut, const D3DXVECTOR3 *pEye, const D3DXVECTOR3 *pAt,
                   const D3DXVECTOR3 *pUp);

ZRQ_D3DX_API(D3DXVECTOR3 *) D3DXVec3Normalize(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV);
// (x, y, z, 1) × M, divided by the resulting w.
ZRQ_D3DX_API(D3DXVECTOR3 *)
D3DXVec3TransformCoord(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM);
// (x, y, z, 0) × M: directions and normals, without the translation.
ZRQ_D3DX_API(D3DXVECTOR3 *)
D3DXVec3TransformNormal(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM);

D3DXINLINE FLOAT D3DXVec3Dot(const D3DXVECTOR3 *a, const D3DXVECTOR3 *b) {
  return a && b ? a->x * b->x + a->y * b->y + a->z * b->z : 0.0f;
}
D3DXINLINE D3DXVECTOR3 *D3DXVec3Cross(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *a,
                                      const D3DXVECTOR3 *b) {
  if (!pOut || !a || !b) return nullptr;
  D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  *pOut = r;
  return pOut;
}
