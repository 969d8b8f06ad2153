#include "platform/d3dx9/OutputBuffers.h"

#include <cstring>

namespace zrq::d3dx9 {
namespace {

HRESULT BytesBuffer(const void *bytes, size_t size, size_t allocate, LPD3DXBUFFER *out) {
  *out = nullptr;
  if (allocate > 0xFFFFFFFFu) return E_OUTOFMEMORY;
  const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(allocate), out);
  if (FAILED(hr)) return hr;
  if (size) std::memcpy((*out)->GetBufferPointer(), bytes, size);
  return D3D_OK;
}

} // namespace

HRESULT TextBuffer(const std::string &text, LPD3DXBUFFER *out) {
  return BytesBuffer(text.data(), text.size(), text.size() + 1, out);
}

HRESULT TokenBuffer(const std::vector<uint32_t> &tokens, LPD3DXBUFFER *out) {
  return BytesBuffer(tokens.data(), tokens.size() * 4, tokens.size() * 4, out);
}

} // namespace zrq::d3dx9
