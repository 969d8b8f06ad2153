// Extensions of the software Direct3D 9 device for hosts and tests: the shader versions its
// capabilities report, a memory budget, and a recorder of the calls made on a device.
#pragma once

#include "d3d9.h"

typedef struct _ZRQ_D3D9_DEVICE_OPTIONS {
  // Reported as D3DCAPS9::VertexShaderVersion / PixelShaderVersion, e.g. D3DVS_VERSION(1, 1);
  // 0 reports no shader support. A device reports D3DVS_VERSION(1, 1) and D3DPS_VERSION(2, 0)
  // until its options are first set; like every field here, these are set together with the
  // rest. The device runs vs_1_1, vs_2_0 and ps_2_0 shaders whatever it reports.
  DWORD VertexShaderVersion;
  DWORD PixelShaderVersion;
  // TRUE starts recording calls (and empties the record); FALSE stops recording.
  BOOL RecordCalls;
  // Bytes the device's resources may hold together; 0 keeps the default (2 GiB). A creation
  // that would exceed it fails with E_OUTOFMEMORY.
  ULONGLONG MemoryBudget;
  // TRUE draws every pixel through the general pipeline, skipping the specialised fast paths
  // (for comparing the two).
  BOOL DisableFastPaths;
} ZRQ_D3D9_DEVICE_OPTIONS;

// What the recorder lists: every call that changes what the device draws with (states,
// transforms, lights, material, viewport, scissor, clip planes, bindings, shaders and their
// constants, state blocks), makes an object, draws, clears, copies, fills, presents or resets,
// and the reads GetRenderState, GetTextureStageState, GetTransform, GetRenderTargetData and
// GetDeviceCaps. Not listed: the other reads (Get*, TestCooperativeLevel, ValidateDevice,
// GetAvailableTextureMem, GetRasterStatus); MultiplyTransform, listed as the SetTransform it
// makes; the settings kept only for their reads (SetSoftwareVertexProcessing, SetNPatchMode,
// SetClipStatus); and what this device does not do (swap chains, cube and volume textures,
// palettes, cursors, gamma ramps, dialog-box mode, ProcessVertices, EvictManagedResources).
//
// One recorded call: the method's name and its key arguments. Numbers are the arguments as
// passed (floats by their bit pattern); Object is the interface pointer argument, if any.
// Text is the readable form, e.g. "SetRenderState(137, 1)" or "SetTexture(0, null)".
#define ZRQ_D3D9_MAX_CALL_ARGS 6
typedef struct _ZRQ_D3D9_CALL {
  const char *Method;
  UINT ArgCount;
  DWORD Args[ZRQ_D3D9_MAX_CALL_ARGS];
  const void *Object;
  HRESULT Result;
  char Text[256];
} ZRQ_D3D9_CALL;

// Sets the options of a device made by Direct3DCreate9 of this platform.
// D3DERR_INVALIDCALL when either pointer is null or the device is not one of ours.
STDAPI ZrqD3D9SetDeviceOptions(IDirect3DDevice9 *pDevice, const ZRQ_D3D9_DEVICE_OPTIONS *pOptions);

// Copies up to Capacity recorded calls, oldest first, and sets *pCount to the number recorded
// (which may exceed Capacity). pCalls may be null when Capacity is 0.
STDAPI ZrqD3D9GetRecordedCalls(IDirect3DDevice9 *pDevice, ZRQ_D3D9_CALL *pCalls, UINT Capacity,
                               UINT *pCount);

// Empties the record without changing whether recording is on.
STDAPI ZrqD3D9ClearRecordedCalls(IDirect3DDevice9 *pDevice);
