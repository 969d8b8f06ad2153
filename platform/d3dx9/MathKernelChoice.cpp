// Which math routines the library uses: chosen once, on first use, from the processor and
// the registry settings that turn processor-specific routines off.
#include <cpuid.h>

#include "platform/d3dx9/MathKernels.h"

#include <winreg.h>

namespace zrq::d3dx9 {
namespace {

bool ProcessorHasSse() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE);
}

// A 32-bit value under HKEY_LOCAL_MACHINE\Software\Microsoft\Direct3D; 0 when it is absent,
// of another type, or the registry cannot be read.
DWORD ReadDirect3DSetting(LPCWSTR name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Microsoft\\Direct3D", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return 0;
  DWORD type = 0, value = 0, size = sizeof value;
  LSTATUS status =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : 0;
}

// Either setting turns the processor-specific routines off: "DisablePSGP" for the whole of
// the Direct3D runtime, "DisableD3DXPSGP" for this library alone.
DWORD ReadDisablePSGP() {
  return ReadDirect3DSetting(u"DisablePSGP") | ReadDirect3DSetting(u"DisableD3DXPSGP");
}

} // namespace

const MathKernels &ChooseKernels(bool processorHasSse, DWORD disableD3DXPSGP) {
  return processorHasSse && disableD3DXPSGP == 0 ? SseKernels() : PlainKernels();
}

const MathKernels &ActiveKernels() {
  static const MathKernels &chosen = ChooseKernels(ProcessorHasSse(), ReadDisablePSGP());
  return chosen;
}

} // namespace zrq::d3dx9
