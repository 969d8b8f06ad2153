// The math routines that come in a processor-specific form: a plain set and an SSE set with
// the same results (each sum is added in the same order, so the two agree to the bit), and
// the choice between them, made once when the library loads.
#pragma once

#include <d3dx9math.h>

namespace zrq::d3dx9 {

struct MathKernels {
  const char *name;
  // out = a × b; out may be a or b.
  void (*multiply)(D3DXMATRIX *out, const D3DXMATRIX *a, const D3DXMATRIX *b);
  // out = (v, 1) × m divided by its w (0 when w is 0).
  void (*transformCoord)(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m);
  // out = (v, 0) × m.
  void (*transformNormal)(D3DXVECTOR3 *out, const D3DXVECTOR3 *v, const D3DXMATRIX *m);
  // out = v / |v|, and zero for a zero vector.
  void (*normalize)(D3DXVECTOR3 *out, const D3DXVECTOR3 *v);
};

const MathKernels &PlainKernels();
const MathKernels &SseKernels();

// SSE where the processor has it, unless the "DisableD3DXPSGP" setting is non-zero.
const MathKernels &ChooseKernels(bool processorHasSse, DWORD disableD3DXPSGP);
// The set chosen when the library loaded.
const MathKernels &ActiveKernels();

} // namespace zrq::d3dx9
