// The D3DX vector routines, in the processor-specific form chosen at load.
#include <d3dx9math.h>

#include "platform/d3dx9/MathKernels.h"

using zrq::d3dx9::ActiveKernels;

ZRQ_D3DX_API(D3DXVECTOR3 *) D3DXVec3Normalize(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV) {
  if (!pOut || !pV) return nullptr;
  ActiveKernels().normalize(pOut, pV);
  return pOut;
}

ZRQ_D3DX_API(D3DXVECTOR3 *)
D3DXVec3TransformCoord(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM) {
  if (!pOut || !pV || !pM) return nullptr;
  ActiveKernels().transformCoord(pOut, pV, pM);
  return pOut;
}

ZRQ_D3DX_API(D3DXVECTOR3 *)
D3DXVec3TransformNormal(D3DXVECTOR3 *pOut, const D3DXVECTOR3 *pV, const D3DXMATRIX *pM) {
  if (!pOut || !pV || !pM) return nullptr;
  ActiveKernels().transformNormal(pOut, pV, pM);
  return pOut;
}
