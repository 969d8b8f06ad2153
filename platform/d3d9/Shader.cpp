// Shader objects: their tokens are kept and handed back beside the program the device runs.
#include "platform/d3d9/Device.h"

#include <cstring>

namespace zrq::d3d9 {
namespace {

constexpr DWORD kEndToken = 0x0000FFFF;
// Far more than any shader model 3 program holds; stops a missing end token from running on.
constexpr size_t kMaxTokens = 1u << 20;

} // namespace

bool CopyShaderTokens(const DWORD *function, DWORD versionKind, std::vector<DWORD> *tokens) {
  if (!function || (function[0] >> 16) != versionKind) return false;
  for (size_t i = 1; i < kMaxTokens; ++i) {
    if (function[i] == kEndToken) {
      tokens->assign(function, function + i + 1);
      return true;
    }
  }
  return false;
}

template <typename Interface>
STDMETHODIMP ShaderObject<Interface>::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == ZRQ_IID_OF(Interface)) {
    AddRef();
    *ppv = static_cast<Interface *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

template <typename Interface>
STDMETHODIMP ShaderObject<Interface>::GetDevice(IDirect3DDevice9 **ppDevice) {
  if (!ppDevice) return D3DERR_INVALIDCALL;
  *ppDevice = OwningDevice();
  (*ppDevice)->AddRef();
  return D3D_OK;
}

template <typename Interface>
STDMETHODIMP ShaderObject<Interface>::GetFunction(void *pData, UINT *pSizeOfData) {
  if (!pSizeOfData) return D3DERR_INVALIDCALL;
  const UINT bytes = static_cast<UINT>(tokens_.size() * sizeof(DWORD));
  if (!pData) {
    *pSizeOfData = bytes;
    return D3D_OK;
  }
  if (*pSizeOfData < bytes) return D3DERR_INVALIDCALL;
  std::memcpy(pData, tokens_.data(), bytes);
  *pSizeOfData = bytes;
  return D3D_OK;
}

template class ShaderObject<IDirect3DVertexShader9>;
template class ShaderObject<IDirect3DPixelShader9>;

} // namespace zrq::d3d9
