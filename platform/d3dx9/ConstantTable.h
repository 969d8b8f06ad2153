// The constant table object (ID3DXConstantTable) over the bytes of a shader's CTAB comment.
#pragma once

#include <d3dx9.h>

#include <cstddef>
#include <cstdint>

namespace zrq::d3dx9 {

// A new table over a copy of bytes[0 .. size) (the CTAB payload after its tag).
// D3DXERR_INVALIDDATA when the table is damaged, E_OUTOFMEMORY when memory runs out.
[[nodiscard]] HRESULT CreateConstantTable(const uint8_t *bytes, size_t size,
                                          ID3DXConstantTable **table);

} // namespace zrq::d3dx9
