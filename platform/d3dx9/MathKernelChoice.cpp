// Which math routines the library uses: chosen once, when it loads, from the processor and
// the registry setting that turns processor-specific routines off.
#include <cpuid.h>

#include "platform/d3dx9/MathKernels.h"

namespace zrq::d3dx9 {
namespace {

bool ProcessorHasSse() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE);
}

// HKEY_LOCAL_MACHINE\Software\Microsoft\Direct3D, value "DisableD3DXPSGP" (REG_DWORD).
// TODO(registry): read the value here once the platform's registry has landed. Until then
// the setting counts as absent, which leaves the processor-specific routines on.
DWORD ReadDisableD3DXPSGP() { return 0; }

const MathKernels &chosen = ChooseKernels(ProcessorHasSse(), ReadDisableD3DXPSGP());

}  // namespace

const MathKernels &ChooseKernels(bool processorHasSse, DWORD disableD3DXPSGP) {
  return processorHasSse && disableD3DXPSGP == 0 ? SseKernels() : PlainKernels();
}

const MathKernels &ActiveKernels() { return chosen; }

}  // namespace zrq::d3dx9
