// Writing device states only when they differ from what the device reports, so that a renderer
// does not disturb a host's state (or its driver) with redundant writes.
#pragma once

#include <d3d9.h>

// Reads the render state and writes value only when the value read differs (or cannot be read).
// Returns the status of the write, or S_OK when none was needed.
HRESULT SetRenderStateIfNeeded(IDirect3DDevice9 *device, D3DRENDERSTATETYPE state, DWORD value);

// The same for a texture-stage state.
HRESULT SetTextureStageStateIfNeeded(IDirect3DDevice9 *device, DWORD stage,
                                     D3DTEXTURESTAGESTATETYPE type, DWORD value);
