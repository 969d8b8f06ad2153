#include "render/DeviceStateWrites.h"

HRESULT SetRenderStateIfNeeded(IDirect3DDevice9 *device, D3DRENDERSTATETYPE state, DWORD value) {
  DWORD current = 0;
  if (SUCCEEDED(device->GetRenderState(state, &current)) && current == value) return S_OK;
  return device->SetRenderState(state, value);
}

HRESULT SetTextureStageStateIfNeeded(IDirect3DDevice9 *device, DWORD stage,
                                     D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  DWORD current = 0;
  if (SUCCEEDED(device->GetTextureStageState(stage, type, &current)) && current == value)
    return S_OK;
  return device->SetTextureStageState(stage, type, value);
}
