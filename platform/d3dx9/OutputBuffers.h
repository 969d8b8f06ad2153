// Hands results out as ID3DXBuffer objects: text with its terminating NUL, tokens as words.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zrq::d3dx9 {

// *out gets a new buffer holding `text` and a NUL; E_OUTOFMEMORY (and null) without memory.
HRESULT TextBuffer(const std::string &text, LPD3DXBUFFER *out);
HRESULT TokenBuffer(const std::vector<uint32_t> &tokens, LPD3DXBUFFER *out);

} // namespace zrq::d3dx9
