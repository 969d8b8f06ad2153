// The D3DX vector routines.
#include <d3dx9math.h>

#include <cmath>

ZRQ_D3DX_API(D3DXVECTOR3 *) D3DXVec3Normalize(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV) {
  if (!pOut || !pV) return nullptr;
  const FLOAT length = std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
  // A zero vector stays zero rather than turning into NaNs.
  *pOut = length == 0.0f ? D3DXVECTOR3() : *pV * (1.0f / length);
  return pOut;
}

ZRQ_D3DX_API(D3DXVECTOR3 *) D3DXVec3TransformCoord(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM) {
  if (!pOut || !pV || !pM) return nullptr;
  const D3DXVECTOR3 v = *pV;
  const FLOAT w = v.x * pM->_14 + v.y * pM->_24 + v.z * pM->_34 + pM->_44;
  const FLOAT inv = w != 0.0f ? 1.0f / w : 0.0f;
  *pOut = D3DXVECTOR3((v.x * pM->_11 + v.y * pM->_21 + v.z * pM->_31 + pM->_41) * inv,
                      (v.x * pM->_12 + v.y * pM->_22 + v.z * pM->_32 + pM->_42) * inv,
                      (v.x * pM->_13 + v.y * pM->_23 + v.z * pM->_33 + pM->_43) * inv);
  return pOut;
}

ZRQ_D3DX_API(D3DXVECTOR3 *) D3DXVec3TransformNormal(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM) {
  if (!pOut || !pV || !pM) return nullptr;
  const D3DXVECTOR3 v = *pV;
  *pOut = D3DXVECTOR3(v.x * pM->_11 + v.y * pM->_21 + v.z * pM->_31, v.x * pM->_12 + v.y * pM->_22 + v.z * pM->_32,
                      v.x * pM->_13 + v.y * pM->_23 + v.z * pM->_33);
  return pOut;
}
