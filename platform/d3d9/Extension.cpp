// The exported extension functions of zrqd3d9ext.h.
#include "platform/d3d9/Device.h"

using zrq::d3d9::Device;

STDAPI ZrqD3D9SetDeviceOptions(IDirect3DDevice9 *pDevice, const ZRQ_D3D9_DEVICE_OPTIONS *pOptions) {
  Device *device = pDevice ? Device::From(pDevice) : nullptr;
  if (!device || !pOptions) return D3DERR_INVALIDCALL;
  return device->SetOptions(*pOptions);
}

STDAPI ZrqD3D9GetRecordedCalls(IDirect3DDevice9 *pDevice, ZRQ_D3D9_CALL *pCalls, UINT Capacity,
                               UINT *pCount) {
  Device *device = pDevice ? Device::From(pDevice) : nullptr;
  if (!device || !pCount || (Capacity && !pCalls)) return D3DERR_INVALIDCALL;
  *pCount = device->Recorder().Copy(pCalls, Capacity);
  return D3D_OK;
}

STDAPI ZrqD3D9ClearRecordedCalls(IDirect3DDevice9 *pDevice) {
  Device *device = pDevice ? Device::From(pDevice) : nullptr;
  if (!device) return D3DERR_INVALIDCALL;
  device->Recorder().Clear();
  return D3D_OK;
}
