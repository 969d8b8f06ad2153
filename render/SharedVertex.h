// The vertex of the renderers' shared vertex buffer, and the buffer formats that go with it.
#pragma once

#include <d3d9.h>

#include <cstdint>

struct SharedVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(SharedVertex) == 32, "SharedVertex is the 32-byte XYZ | NORMAL | TEX1 layout");

inline constexpr DWORD kSharedVertexFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1; // 0x112
inline constexpr UINT kSharedVertexStride = sizeof(SharedVertex);
inline constexpr UINT kSharedIndexSize = sizeof(uint16_t);
