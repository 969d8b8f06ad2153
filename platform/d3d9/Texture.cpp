// Textures: a chain of levels, each a surface sharing the texture's reference count.
#include "platform/d3d9/Device.h"

#include <zrqboundary.h>

namespace zrq::d3d9 {

Texture::Texture(Device *device, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, Owner::Self), usage_(usage), format_(format), pool_(pool) {}

HRESULT Texture::Init(UINT width, UINT height, UINT levels) {
  UINT full = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1)
    ++full;
  if (levels == 0 || levels > full) levels = full;
  // Room for every level first: a level made could otherwise be lost to a failed append.
  if (FAILED(ZrqComBoundary([&] {
        levels_.reserve(levels);
        return D3D_OK;
      })))
    return E_OUTOFMEMORY;
  UINT w = width, h = height;
  for (UINT i = 0; i < levels; ++i) {
    PixelBuffer pixels;
    const HRESULT hr = AllocatePixels(OwningDevice(), w, h, format_, &pixels);
    if (FAILED(hr)) return hr;
    auto *surface = new (std::nothrow)
        Surface(OwningDevice(), Owner::Container, this, usage_, pool_, std::move(pixels));
    if (!surface) return E_OUTOFMEMORY;
    levels_.emplace_back(surface);
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }
  return D3D_OK;
}

STDMETHODIMP Texture::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DBaseTexture9 ||
      riid == IID_IDirect3DTexture9) {
    AddRef();
    *ppv = static_cast<IDirect3DTexture9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC *pDesc) {
  Surface *s = this->Level(Level);
  if (!s || !pDesc) return D3DERR_INVALIDCALL;
  return s->GetDesc(pDesc);
}

STDMETHODIMP Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9 **ppSurfaceLevel) {
  if (!ppSurfaceLevel) return D3DERR_INVALIDCALL;
  Surface *s = this->Level(Level);
  *ppSurfaceLevel = nullptr;
  if (!s) return D3DERR_INVALIDCALL;
  HandOut(s, ppSurfaceLevel);
  return D3D_OK;
}

STDMETHODIMP Texture::LockRect(UINT Level, D3DLOCKED_RECT *pLockedRect, const RECT *pRect,
                               DWORD Flags) {
  Surface *s = this->Level(Level);
  if (!s) return D3DERR_INVALIDCALL;
  // Render-target textures live where the processor cannot reach on Direct3D 9.
  if (usage_ & D3DUSAGE_RENDERTARGET) return D3DERR_INVALIDCALL;
  return s->LockRect(pLockedRect, pRect, Flags);
}

STDMETHODIMP Texture::UnlockRect(UINT Level) {
  Surface *s = this->Level(Level);
  if (!s) return D3DERR_INVALIDCALL;
  return s->UnlockRect();
}

} // namespace zrq::d3d9
