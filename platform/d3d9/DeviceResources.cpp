// Creation of textures, buffers, surfaces, state blocks, declarations and shaders, the render
// target and depth-stencil bindings, and the copies between surfaces.
#include "platform/d3d9/Device.h"

#include <zrqboundary.h>

#include <algorithm>
#include <cstring>

namespace zrq::d3d9 {
namespace {

constexpr UINT kMaxTextureSize = 16384;

// Hands a newly made object out, or destroys it when its initialisation failed.
template <typename Interface, typename Object>
HRESULT Finish(Object *object, HRESULT initResult, Interface **out) {
  if (!object) return E_OUTOFMEMORY;
  if (FAILED(initResult)) {
    delete object;
    return initResult;
  }
  HandOut(object, out);
  return D3D_OK;
}

bool IsColourFormat(D3DFORMAT f) { return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8; }

void CopyRect(const PixelBuffer &src, const RECT &sr, PixelBuffer &dst, LONG dx, LONG dy) {
  const size_t bytes = static_cast<size_t>(sr.right - sr.left) * 4;
  for (LONG y = sr.top; y < sr.bottom; ++y)
    std::memmove(dst.Row(static_cast<UINT>(dy + y - sr.top)) + static_cast<size_t>(dx) * 4,
                 src.Row(static_cast<UINT>(y)) + static_cast<size_t>(sr.left) * 4, bytes);
}

bool RectInside(const RECT &r, const PixelBuffer &p) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
         r.right <= static_cast<LONG>(p.width) && r.bottom <= static_cast<LONG>(p.height);
}

RECT Whole(const PixelBuffer &p) {
  return {0, 0, static_cast<LONG>(p.width), static_cast<LONG>(p.height)};
}

} // namespace

STDMETHODIMP Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                   D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9 **ppTexture,
                                   HANDLE *pSharedHandle) {
  if (!ppTexture) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  HRESULT hr;
  if (pSharedHandle || Width == 0 || Height == 0 || Width > kMaxTextureSize ||
      Height > kMaxTextureSize || !IsColourFormat(Format) || Pool > D3DPOOL_SCRATCH ||
      ((Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && Pool != D3DPOOL_DEFAULT) ||
      (Usage & D3DUSAGE_DEPTHSTENCIL)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    auto *t = new (std::nothrow) Texture(this, Usage, Format, Pool);
    hr = Finish(t, t ? t->Init(Width, Height, Levels) : E_OUTOFMEMORY, ppTexture);
  }
  recorder_.Record(
      "CreateTexture",
      {Width, Height, Levels, Usage, static_cast<DWORD>(Format), static_cast<DWORD>(Pool)},
      *ppTexture, hr, "%u, %u, %u, 0x%X, %u, %u", Width, Height, Levels, Usage,
      static_cast<unsigned>(Format), static_cast<unsigned>(Pool));
  return hr;
}

STDMETHODIMP Device::CreateVolumeTexture(UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                         IDirect3DVolumeTexture9 **ppVolumeTexture, HANDLE *) {
  if (ppVolumeTexture) *ppVolumeTexture = nullptr;
  return D3DERR_INVALIDCALL;
}

STDMETHODIMP Device::CreateCubeTexture(UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                       IDirect3DCubeTexture9 **ppCubeTexture, HANDLE *) {
  if (ppCubeTexture) *ppCubeTexture = nullptr;
  return D3DERR_INVALIDCALL;
}

STDMETHODIMP Device::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                        IDirect3DVertexBuffer9 **ppVertexBuffer,
                                        HANDLE *pSharedHandle) {
  if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  HRESULT hr;
  if (pSharedHandle || Length == 0 || Pool > D3DPOOL_SCRATCH || (FVF && StrideOfFVF(FVF) == 0)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    auto *vb = new (std::nothrow) VertexBuffer(this, Usage, FVF, Pool);
    hr = Finish(vb, vb ? vb->Init(Length) : E_OUTOFMEMORY, ppVertexBuffer);
  }
  recorder_.Record("CreateVertexBuffer", {Length, Usage, FVF, static_cast<DWORD>(Pool)},
                   *ppVertexBuffer, hr, "%u, 0x%X, 0x%X, %u", Length, Usage, FVF,
                   static_cast<unsigned>(Pool));
  return hr;
}

STDMETHODIMP Device::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       IDirect3DIndexBuffer9 **ppIndexBuffer,
                                       HANDLE *pSharedHandle) {
  if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = nullptr;
  HRESULT hr;
  if (pSharedHandle || Length == 0 || Pool > D3DPOOL_SCRATCH ||
      (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    auto *ib = new (std::nothrow) IndexBuffer(this, Usage, Format, Pool);
    hr = Finish(ib, ib ? ib->Init(Length) : E_OUTOFMEMORY, ppIndexBuffer);
  }
  recorder_.Record("CreateIndexBuffer",
                   {Length, Usage, static_cast<DWORD>(Format), static_cast<DWORD>(Pool)},
                   *ppIndexBuffer, hr, "%u, 0x%X, %u, %u", Length, Usage,
                   static_cast<unsigned>(Format), static_cast<unsigned>(Pool));
  return hr;
}

namespace {

HRESULT MakeSurface(Device *device, UINT w, UINT h, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                    IDirect3DSurface9 **out) {
  PixelBuffer pixels;
  HRESULT hr = AllocatePixels(device, w, h, format, &pixels);
  if (FAILED(hr)) return hr;
  auto *s = new (std::nothrow)
      Surface(device, DeviceChild::Owner::Self, nullptr, usage, pool, std::move(pixels));
  return Finish(s, D3D_OK, out);
}

// A render target or depth-stencil surface of the default pool, listed by the recorder as
// `method`; `fits` says whether the format suits it.
HRESULT MakeDefaultPoolSurface(Device *device, const char *method, DWORD usage, bool fits,
                               UINT width, UINT height, D3DFORMAT format, HANDLE *shared,
                               IDirect3DSurface9 **out) {
  const HRESULT hr = [&]() -> HRESULT {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (shared || !fits || width > kMaxTextureSize || height > kMaxTextureSize)
      return D3DERR_INVALIDCALL;
    return MakeSurface(device, width, height, format, usage, D3DPOOL_DEFAULT, out);
  }();
  device->Recorder().Record(method, {width, height, static_cast<DWORD>(format)},
                            out ? *out : nullptr, hr, "%u, %u, %u", width, height,
                            static_cast<unsigned>(format));
  return hr;
}

} // namespace

STDMETHODIMP Device::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                        D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                        IDirect3DSurface9 **ppSurface, HANDLE *pSharedHandle) {
  return MakeDefaultPoolSurface(this, "CreateRenderTarget", D3DUSAGE_RENDERTARGET,
                                IsColourFormat(Format), Width, Height, Format, pSharedHandle,
                                ppSurface);
}

STDMETHODIMP Device::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                               D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                               IDirect3DSurface9 **ppSurface,
                                               HANDLE *pSharedHandle) {
  return MakeDefaultPoolSurface(this, "CreateDepthStencilSurface", D3DUSAGE_DEPTHSTENCIL,
                                IsDepthFormat(Format), Width, Height, Format, pSharedHandle,
                                ppSurface);
}

STDMETHODIMP Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                 D3DPOOL Pool, IDirect3DSurface9 **ppSurface,
                                                 HANDLE *pSharedHandle) {
  if (!ppSurface) return D3DERR_INVALIDCALL;
  *ppSurface = nullptr;
  HRESULT hr;
  if (pSharedHandle || !IsColourFormat(Format) || Pool == D3DPOOL_MANAGED ||
      Pool > D3DPOOL_SCRATCH || Width > kMaxTextureSize || Height > kMaxTextureSize)
    hr = D3DERR_INVALIDCALL;
  else
    hr = MakeSurface(this, Width, Height, Format, 0, Pool, ppSurface);
  recorder_.Record("CreateOffscreenPlainSurface",
                   {Width, Height, static_cast<DWORD>(Format), static_cast<DWORD>(Pool)},
                   *ppSurface, hr, "%u, %u, %u, %u", Width, Height, static_cast<unsigned>(Format),
                   static_cast<unsigned>(Pool));
  return hr;
}

STDMETHODIMP Device::UpdateSurface(IDirect3DSurface9 *pSourceSurface, const RECT *pSourceRect,
                                   IDirect3DSurface9 *pDestinationSurface,
                                   const POINT *pDestPoint) {
  const HRESULT hr = [&]() -> HRESULT {
    Surface *src = pSourceSurface ? Surface::From(pSourceSurface) : nullptr;
    Surface *dst = pDestinationSurface ? Surface::From(pDestinationSurface) : nullptr;
    if (!src || !dst || src == dst || src->Pool() != D3DPOOL_SYSTEMMEM ||
        dst->Pool() != D3DPOOL_DEFAULT || src->Pixels().format != dst->Pixels().format ||
        !IsColourFormat(src->Pixels().format))
      return D3DERR_INVALIDCALL;
    const RECT sr = pSourceRect ? *pSourceRect : Whole(src->Pixels());
    const POINT dp = pDestPoint ? *pDestPoint : POINT{0, 0};
    const RECT dr = {dp.x, dp.y, dp.x + (sr.right - sr.left), dp.y + (sr.bottom - sr.top)};
    if (!RectInside(sr, src->Pixels()) || !RectInside(dr, dst->Pixels())) return D3DERR_INVALIDCALL;
    CopyRect(src->Pixels(), sr, dst->Pixels(), dp.x, dp.y);
    return D3D_OK;
  }();
  recorder_.Record("UpdateSurface", {}, pDestinationSurface, hr, "%s", "surfaces");
  return hr;
}

STDMETHODIMP Device::UpdateTexture(IDirect3DBaseTexture9 *pSourceTexture,
                                   IDirect3DBaseTexture9 *pDestinationTexture) {
  const HRESULT hr = [&]() -> HRESULT {
    Texture *src = pSourceTexture ? Texture::From(pSourceTexture) : nullptr;
    Texture *dst = pDestinationTexture ? Texture::From(pDestinationTexture) : nullptr;
    if (!src || !dst || src == dst || src->Pool() != D3DPOOL_SYSTEMMEM ||
        dst->Pool() != D3DPOOL_DEFAULT || src->Format() != dst->Format())
      return D3DERR_INVALIDCALL;
    // Levels are matched from the largest of the destination on.
    const Surface *d0 = dst->Level(0);
    UINT first = 0;
    while (src->Level(first) && src->Level(first)->Pixels().width > d0->Pixels().width) ++first;
    for (UINT i = 0; dst->Level(i); ++i) {
      const Surface *s = src->Level(first + i);
      Surface *d = dst->Level(i);
      if (!s || s->Pixels().width != d->Pixels().width || s->Pixels().height != d->Pixels().height)
        return D3DERR_INVALIDCALL;
    }
    for (UINT i = 0; dst->Level(i); ++i) {
      Surface *s = src->Level(first + i);
      CopyRect(s->Pixels(), Whole(s->Pixels()), dst->Level(i)->Pixels(), 0, 0);
    }
    return D3D_OK;
  }();
  recorder_.Record("UpdateTexture", {}, pDestinationTexture, hr, "%s", "textures");
  return hr;
}

STDMETHODIMP Device::GetRenderTargetData(IDirect3DSurface9 *pRenderTarget,
                                         IDirect3DSurface9 *pDestSurface) {
  Surface *src = pRenderTarget ? Surface::From(pRenderTarget) : nullptr;
  Surface *dst = pDestSurface ? Surface::From(pDestSurface) : nullptr;
  HRESULT hr = D3D_OK;
  if (!src || !dst || src == dst || !(src->Usage() & D3DUSAGE_RENDERTARGET) ||
      dst->Pool() != D3DPOOL_SYSTEMMEM || src->Pixels().width != dst->Pixels().width ||
      src->Pixels().height != dst->Pixels().height || src->Pixels().format != dst->Pixels().format)
    hr = D3DERR_INVALIDCALL;
  else
    CopyRect(src->Pixels(), Whole(src->Pixels()), dst->Pixels(), 0, 0);
  recorder_.Record("GetRenderTargetData", {}, pDestSurface, hr, "%s", "");
  return hr;
}

STDMETHODIMP Device::GetFrontBufferData(UINT, IDirect3DSurface9 *) { return D3DERR_INVALIDCALL; }

STDMETHODIMP Device::StretchRect(IDirect3DSurface9 *pSourceSurface, const RECT *pSourceRect,
                                 IDirect3DSurface9 *pDestSurface, const RECT *pDestRect,
                                 D3DTEXTUREFILTERTYPE) {
  const HRESULT hr = [&]() -> HRESULT {
    Surface *src = pSourceSurface ? Surface::From(pSourceSurface) : nullptr;
    Surface *dst = pDestSurface ? Surface::From(pDestSurface) : nullptr;
    if (!src || !dst || src == dst || src->Pool() != D3DPOOL_DEFAULT ||
        dst->Pool() != D3DPOOL_DEFAULT || !IsColourFormat(src->Pixels().format) ||
        !IsColourFormat(dst->Pixels().format))
      return D3DERR_INVALIDCALL;
    const RECT sr = pSourceRect ? *pSourceRect : Whole(src->Pixels());
    const RECT dr = pDestRect ? *pDestRect : Whole(dst->Pixels());
    if (!RectInside(sr, src->Pixels()) || !RectInside(dr, dst->Pixels())) return D3DERR_INVALIDCALL;
    // Nearest-texel scaling from centre to centre.
    const int64_t sw = sr.right - sr.left, sh = sr.bottom - sr.top, dw = dr.right - dr.left,
                  dh = dr.bottom - dr.top;
    for (int64_t y = 0; y < dh; ++y) {
      const auto *srow = reinterpret_cast<const uint32_t *>(
          src->Pixels().Row(static_cast<UINT>(sr.top + (2 * y + 1) * sh / (2 * dh))));
      auto *drow = reinterpret_cast<uint32_t *>(dst->Pixels().Row(static_cast<UINT>(dr.top + y)));
      for (int64_t x = 0; x < dw; ++x)
        drow[dr.left + x] = srow[sr.left + (2 * x + 1) * sw / (2 * dw)];
    }
    return D3D_OK;
  }();
  recorder_.Record("StretchRect", {}, pDestSurface, hr, "%s", "surfaces");
  return hr;
}

STDMETHODIMP Device::ColorFill(IDirect3DSurface9 *pSurface, const RECT *pRect, D3DCOLOR color) {
  const HRESULT hr = [&]() -> HRESULT {
    Surface *s = pSurface ? Surface::From(pSurface) : nullptr;
    if (!s || s->Pool() != D3DPOOL_DEFAULT || !IsColourFormat(s->Pixels().format))
      return D3DERR_INVALIDCALL;
    const RECT r = pRect ? *pRect : Whole(s->Pixels());
    if (!RectInside(r, s->Pixels())) return D3DERR_INVALIDCALL;
    for (LONG y = r.top; y < r.bottom; ++y) {
      auto *row = reinterpret_cast<uint32_t *>(s->Pixels().Row(static_cast<UINT>(y)));
      FillWords(row + r.left, static_cast<size_t>(r.right - r.left), color);
    }
    return D3D_OK;
  }();
  recorder_.Record("ColorFill", {color}, pSurface, hr, "0x%08X", static_cast<unsigned>(color));
  return hr;
}

STDMETHODIMP Device::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9 *pRenderTarget) {
  Surface *s = pRenderTarget ? Surface::From(pRenderTarget) : nullptr;
  HRESULT hr = D3D_OK;
  if (RenderTargetIndex != 0 || !s || s->OwningDevice() != this ||
      !(s->Usage() & D3DUSAGE_RENDERTARGET)) {
    hr = D3DERR_INVALIDCALL;
  } else {
    renderTarget_.Reset(s);
    // A new render target resets the viewport and scissor rectangle to the whole of it.
    const PixelBuffer &p = s->Pixels();
    state_.viewport = {0, 0, p.width, p.height, 0.0f, 1.0f};
    state_.scissor = Whole(p);
  }
  recorder_.Record("SetRenderTarget", {RenderTargetIndex}, pRenderTarget, hr, "%u, %s",
                   RenderTargetIndex, pRenderTarget ? "surface" : "null");
  return hr;
}

STDMETHODIMP Device::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9 **ppRenderTarget) {
  if (!ppRenderTarget) return D3DERR_INVALIDCALL;
  *ppRenderTarget = nullptr;
  if (RenderTargetIndex >= D3D_MAX_SIMULTANEOUS_RENDERTARGETS) return D3DERR_INVALIDCALL;
  if (RenderTargetIndex != 0 || !renderTarget_) return D3DERR_NOTFOUND;
  HandOut(renderTarget_.get(), ppRenderTarget);
  return D3D_OK;
}

STDMETHODIMP Device::SetDepthStencilSurface(IDirect3DSurface9 *pNewZStencil) {
  const HRESULT hr = [&]() -> HRESULT {
    Surface *s = pNewZStencil ? Surface::From(pNewZStencil) : nullptr;
    if (pNewZStencil && (!s || s->OwningDevice() != this || !IsDepthFormat(s->Pixels().format)))
      return D3DERR_INVALIDCALL;
    depthStencil_.Reset(s);
    return D3D_OK;
  }();
  recorder_.Record("SetDepthStencilSurface", {}, pNewZStencil, hr, "%s",
                   pNewZStencil ? "surface" : "null");
  return hr;
}

STDMETHODIMP Device::GetDepthStencilSurface(IDirect3DSurface9 **ppZStencilSurface) {
  if (!ppZStencilSurface) return D3DERR_INVALIDCALL;
  *ppZStencilSurface = nullptr;
  if (!depthStencil_) return D3DERR_NOTFOUND;
  HandOut(depthStencil_.get(), ppZStencilSurface);
  return D3D_OK;
}

STDMETHODIMP Device::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                   IDirect3DSurface9 **ppBackBuffer) {
  if (!ppBackBuffer) return D3DERR_INVALIDCALL;
  *ppBackBuffer = nullptr;
  if (iSwapChain != 0 || iBackBuffer != 0) return D3DERR_INVALIDCALL;
  HandOut(backBuffer_.get(), ppBackBuffer);
  return D3D_OK;
}

// ---- State blocks -----------------------------------------------------------------------------

STDMETHODIMP Device::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9 **ppSB) {
  HRESULT hr = D3D_OK;
  if (!ppSB || recording_ || Type < D3DSBT_ALL || Type > D3DSBT_VERTEXSTATE) {
    hr = D3DERR_INVALIDCALL;
  } else {
    *ppSB = nullptr;
    hr = ZrqComBoundary([&] {
      auto *block = new StateBlock(this, StateMask::ForType(Type, state_));
      CopyState(block->State(), state_, block->Mask());
      HandOut(block, ppSB);
      return hr;
    });
  }
  recorder_.Record("CreateStateBlock", {static_cast<DWORD>(Type)}, ppSB ? *ppSB : nullptr, hr, "%u",
                   static_cast<unsigned>(Type));
  return hr;
}

STDMETHODIMP Device::BeginStateBlock() {
  const HRESULT hr = [&]() -> HRESULT {
    if (recording_) return D3DERR_INVALIDCALL;
    auto *block = new (std::nothrow) StateBlock(this, StateMask());
    if (!block) return E_OUTOFMEMORY;
    // Values not set while recording are never applied, so starting from the device's is harmless.
    block->State() = state_;
    recording_.Reset(block);
    return D3D_OK;
  }();
  recorder_.Record("BeginStateBlock", {}, nullptr, hr, "%s", "");
  return hr;
}

STDMETHODIMP Device::EndStateBlock(IDirect3DStateBlock9 **ppSB) {
  const HRESULT hr = [&]() -> HRESULT {
    if (!ppSB || !recording_) return D3DERR_INVALIDCALL;
    StateBlock *block = recording_.get();
    HandOut(block, ppSB);
    recording_.Reset(nullptr);
    return D3D_OK;
  }();
  recorder_.Record("EndStateBlock", {}, ppSB ? *ppSB : nullptr, hr, "%s", "block");
  return hr;
}

// ---- Declarations and shaders -----------------------------------------------------------------

STDMETHODIMP Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9 *pVertexElements,
                                             IDirect3DVertexDeclaration9 **ppDecl) {
  if (!ppDecl) return D3DERR_INVALIDCALL;
  *ppDecl = nullptr;
  HRESULT hr = D3DERR_INVALIDCALL;
  if (pVertexElements) {
    UINT count = 0;
    while (count < MAXD3DDECLLENGTH && pVertexElements[count].Stream != 0xFF) ++count;
    VertexLayout layout;
    if (count < MAXD3DDECLLENGTH && LayoutFromElements(pVertexElements, count, &layout)) {
      hr = ZrqComBoundary([&] {
        std::vector<D3DVERTEXELEMENT9> elements(pVertexElements, pVertexElements + count + 1);
        hr = Finish(new VertexDeclaration(this, std::move(elements), layout), D3D_OK, ppDecl);
        return hr;
      });
    }
  }
  recorder_.Record("CreateVertexDeclaration", {}, *ppDecl, hr, "%s",
                   pVertexElements ? "elements" : "null");
  return hr;
}

STDMETHODIMP Device::CreateVertexShader(const DWORD *pFunction, IDirect3DVertexShader9 **ppShader) {
  if (!ppShader) return D3DERR_INVALIDCALL;
  *ppShader = nullptr;
  HRESULT hr = D3DERR_INVALIDCALL;
  hr = ZrqComBoundary([&] {
    std::vector<DWORD> tokens;
    ShaderProgram program;
    if (CopyShaderTokens(pFunction, 0xFFFE, &tokens) && TranslateShader(tokens, &program))
      hr = Finish(new VertexShaderObject(this, std::move(tokens), std::move(program)), D3D_OK,
                  ppShader);
    return hr;
  });
  recorder_.Record("CreateVertexShader", {}, *ppShader, hr, "%s", pFunction ? "tokens" : "null");
  return hr;
}

STDMETHODIMP Device::CreatePixelShader(const DWORD *pFunction, IDirect3DPixelShader9 **ppShader) {
  if (!ppShader) return D3DERR_INVALIDCALL;
  *ppShader = nullptr;
  HRESULT hr = D3DERR_INVALIDCALL;
  hr = ZrqComBoundary([&] {
    std::vector<DWORD> tokens;
    ShaderProgram program;
    if (CopyShaderTokens(pFunction, 0xFFFF, &tokens) && TranslateShader(tokens, &program))
      hr = Finish(new PixelShaderObject(this, std::move(tokens), std::move(program)), D3D_OK,
                  ppShader);
    return hr;
  });
  recorder_.Record("CreatePixelShader", {}, *ppShader, hr, "%s", pFunction ? "tokens" : "null");
  return hr;
}

} // namespace zrq::d3d9
