// Surfaces: the pixels of a texture level, the back buffer, a depth-stencil surface or an
// off-screen plain surface.
#include "platform/d3d9/Device.h"

#include <cstring>
#include <limits>

namespace zrq::d3d9 {

UINT BytesPerPixel(D3DFORMAT format) {
  switch (format) {
  case D3DFMT_A8R8G8B8:
  case D3DFMT_X8R8G8B8:
  case D3DFMT_D24S8:
  case D3DFMT_D24X8:
  case D3DFMT_D16:
  case D3DFMT_D32:
    return 4;
  default:
    return 0;
  }
}

bool IsDepthFormat(D3DFORMAT format) {
  return format == D3DFMT_D24S8 || format == D3DFMT_D24X8 || format == D3DFMT_D16 ||
         format == D3DFMT_D32;
}

bool HasStencil(D3DFORMAT format) { return format == D3DFMT_D24S8; }

HRESULT AllocatePixels(Device *device, UINT width, UINT height, D3DFORMAT format,
                       PixelBuffer *out) {
  const UINT bpp = BytesPerPixel(format);
  if (!bpp || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  const uint64_t pitch = static_cast<uint64_t>(width) * bpp;
  const uint64_t bytes = pitch * height;
  if (pitch > std::numeric_limits<INT>::max() || bytes > std::numeric_limits<size_t>::max() / 2)
    return E_OUTOFMEMORY;
  if (!device->ReserveMemory(bytes)) return E_OUTOFMEMORY;
  uint8_t *bits = new (std::nothrow) uint8_t[bytes]();
  if (!bits) {
    device->ReleaseMemory(bytes);
    return E_OUTOFMEMORY;
  }
  out->width = width;
  out->height = height;
  out->format = format;
  out->pitch = static_cast<UINT>(pitch);
  out->bits.reset(bits);
  return D3D_OK;
}

Surface::Surface(Device *device, Owner owner, Texture *container, DWORD usage, D3DPOOL pool,
                 PixelBuffer pixels)
    : ResourceBase(device, owner, container), container_(container), usage_(usage), pool_(pool),
      pixels_(std::move(pixels)) {}

Surface::~Surface() { OwningDevice()->ReleaseMemory(pixels_.ByteSize()); }

STDMETHODIMP Surface::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DSurface9) {
    AddRef();
    *ppv = static_cast<IDirect3DSurface9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP Surface::GetContainer(REFIID riid, void **ppContainer) {
  if (!ppContainer) return D3DERR_INVALIDCALL;
  // A texture's level belongs to the texture; other surfaces to the device.
  if (container_) return container_->QueryInterface(riid, ppContainer);
  return OwningDevice()->QueryInterface(riid, ppContainer);
}

STDMETHODIMP Surface::GetDesc(D3DSURFACE_DESC *pDesc) {
  if (!pDesc) return D3DERR_INVALIDCALL;
  pDesc->Format = pixels_.format;
  pDesc->Type = D3DRTYPE_SURFACE;
  pDesc->Usage = usage_;
  pDesc->Pool = pool_;
  pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
  pDesc->MultiSampleQuality = 0;
  pDesc->Width = pixels_.width;
  pDesc->Height = pixels_.height;
  return D3D_OK;
}

STDMETHODIMP Surface::LockRect(D3DLOCKED_RECT *pLockedRect, const RECT *pRect, DWORD) {
  if (!pLockedRect) return D3DERR_INVALIDCALL;
  // Depth-stencil surfaces of these formats are not lockable on Direct3D 9 either.
  if (locked_ || IsDepthFormat(pixels_.format)) return D3DERR_INVALIDCALL;
  RECT r = {0, 0, static_cast<LONG>(pixels_.width), static_cast<LONG>(pixels_.height)};
  if (pRect) {
    if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right ||
        pRect->top >= pRect->bottom || pRect->right > r.right || pRect->bottom > r.bottom)
      return D3DERR_INVALIDCALL;
    r = *pRect;
  }
  pLockedRect->Pitch = static_cast<INT>(pixels_.pitch);
  pLockedRect->pBits = pixels_.Row(static_cast<UINT>(r.top)) +
                       static_cast<size_t>(r.left) * BytesPerPixel(pixels_.format);
  locked_ = true;
  return D3D_OK;
}

STDMETHODIMP Surface::UnlockRect() {
  if (!locked_) return D3DERR_INVALIDCALL;
  locked_ = false;
  return D3D_OK;
}

} // namespace zrq::d3d9
