// The device's lifetime, capabilities and scenes, and the methods it answers without drawing.
#include "platform/d3d9/Device.h"

#include "platform/d3d9/Direct3D9.h"

namespace zrq::d3d9 {
namespace {

constexpr unsigned long long kDefaultBudget = 2ull << 30;

} // namespace

Device::Device(Direct3D9 *d3d, const D3DDEVICE_CREATION_PARAMETERS &creation,
               const D3DPRESENT_PARAMETERS &params)
    : d3d_(d3d), creation_(creation), params_(params), memoryBudget_(kDefaultBudget) {
  d3d_->AddRef();
}

Device::~Device() {
  // Bindings first: they may hold the last internal references of objects that then go.
  recording_.Reset(nullptr);
  state_ = DeviceState();
  renderTarget_.Reset(nullptr);
  depthStencil_.Reset(nullptr);
  backBuffer_.reset();
  autoDepthStencil_.reset();
  d3d_->Release();
}

HRESULT Device::Create(Direct3D9 *d3d, const D3DDEVICE_CREATION_PARAMETERS &creation,
                       const D3DPRESENT_PARAMETERS &params, Device **out) {
  if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0 ||
      params.BackBufferWidth > 16384 || params.BackBufferHeight > 16384)
    return D3DERR_INVALIDCALL;
  if (params.BackBufferFormat != D3DFMT_A8R8G8B8 && params.BackBufferFormat != D3DFMT_X8R8G8B8 &&
      params.BackBufferFormat != D3DFMT_UNKNOWN)
    return D3DERR_INVALIDCALL;
  if (params.EnableAutoDepthStencil && !IsDepthFormat(params.AutoDepthStencilFormat))
    return D3DERR_INVALIDCALL;
  Device *device = new (std::nothrow) Device(d3d, creation, params);
  if (!device) return E_OUTOFMEMORY;
  if (device->params_.BackBufferFormat == D3DFMT_UNKNOWN)
    device->params_.BackBufferFormat = D3DFMT_X8R8G8B8;
  const HRESULT hr = device->CreateImplicitSurfaces();
  if (FAILED(hr)) {
    device->Release();
    return hr;
  }
  *out = device;
  return D3D_OK;
}

HRESULT Device::CreateImplicitSurfaces() {
  PixelBuffer colour;
  HRESULT hr = AllocatePixels(this, params_.BackBufferWidth, params_.BackBufferHeight,
                              params_.BackBufferFormat, &colour);
  if (FAILED(hr)) return hr;
  backBuffer_.reset(new (std::nothrow)
                        Surface(this, DeviceChild::Owner::Device, nullptr, D3DUSAGE_RENDERTARGET,
                                D3DPOOL_DEFAULT, std::move(colour)));
  if (!backBuffer_) return E_OUTOFMEMORY;
  renderTarget_.Reset(backBuffer_.get());
  if (params_.EnableAutoDepthStencil) {
    PixelBuffer depth;
    hr = AllocatePixels(this, params_.BackBufferWidth, params_.BackBufferHeight,
                        params_.AutoDepthStencilFormat, &depth);
    if (FAILED(hr)) return hr;
    autoDepthStencil_.reset(new (std::nothrow)
                                Surface(this, DeviceChild::Owner::Device, nullptr,
                                        D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, std::move(depth)));
    if (!autoDepthStencil_) return E_OUTOFMEMORY;
    depthStencil_.Reset(autoDepthStencil_.get());
  }
  SetDefaultState(state_, params_.EnableAutoDepthStencil != FALSE, params_.BackBufferWidth,
                  params_.BackBufferHeight);
  return D3D_OK;
}

bool Device::ReserveMemory(size_t bytes) {
  unsigned long long used = memoryUsed_.load();
  do {
    if (bytes > memoryBudget_.load() || used > memoryBudget_.load() - bytes) return false;
  } while (!memoryUsed_.compare_exchange_weak(used, used + bytes));
  return true;
}

void Device::ReleaseMemory(size_t bytes) { memoryUsed_ -= bytes; }

HRESULT Device::SetOptions(const ZRQ_D3D9_DEVICE_OPTIONS &o) {
  vertexShaderVersion_ = o.VertexShaderVersion;
  pixelShaderVersion_ = o.PixelShaderVersion;
  memoryBudget_ = o.MemoryBudget ? o.MemoryBudget : kDefaultBudget;
  disableFastPaths_ = o.DisableFastPaths != FALSE;
  if (o.RecordCalls)
    recorder_.Start();
  else
    recorder_.Stop();
  return D3D_OK;
}

// ---- IUnknown ---------------------------------------------------------------------------------

STDMETHODIMP Device::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
    AddRef();
    *ppv = static_cast<IDirect3DDevice9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Device::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) Device::Release() {
  const ULONG count = --refs_;
  if (count == 0) delete this;
  return count;
}

// ---- Capabilities and scenes ------------------------------------------------------------------

STDMETHODIMP Device::TestCooperativeLevel() { return D3D_OK; }

STDMETHODIMP_(UINT) Device::GetAvailableTextureMem() {
  const unsigned long long free =
      memoryBudget_.load() - std::min(memoryBudget_.load(), memoryUsed_.load());
  return static_cast<UINT>(std::min<unsigned long long>(free, 0xFFF00000ull));
}

STDMETHODIMP Device::EvictManagedResources() { return D3D_OK; }

STDMETHODIMP Device::GetDirect3D(IDirect3D9 **ppD3D9) {
  if (!ppD3D9) return D3DERR_INVALIDCALL;
  d3d_->AddRef();
  *ppD3D9 = d3d_;
  return D3D_OK;
}

STDMETHODIMP Device::GetDeviceCaps(D3DCAPS9 *pCaps) {
  HRESULT hr = D3D_OK;
  if (!pCaps)
    hr = D3DERR_INVALIDCALL;
  else
    FillCaps(pCaps, vertexShaderVersion_, pixelShaderVersion_);
  recorder_.Record("GetDeviceCaps", {}, nullptr, hr, "%s", "");
  return hr;
}

STDMETHODIMP Device::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE *pMode) {
  if (iSwapChain != 0 || !pMode) return D3DERR_INVALIDCALL;
  *pMode = {params_.BackBufferWidth, params_.BackBufferHeight, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

STDMETHODIMP Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS *pParameters) {
  if (!pParameters) return D3DERR_INVALIDCALL;
  *pParameters = creation_;
  return D3D_OK;
}

STDMETHODIMP Device::BeginScene() {
  const HRESULT hr = inScene_ ? D3DERR_INVALIDCALL : D3D_OK;
  inScene_ = true;
  recorder_.Record("BeginScene", {}, nullptr, hr, "%s", "");
  return hr;
}

STDMETHODIMP Device::EndScene() {
  const HRESULT hr = inScene_ ? D3D_OK : D3DERR_INVALIDCALL;
  inScene_ = false;
  recorder_.Record("EndScene", {}, nullptr, hr, "%s", "");
  return hr;
}

STDMETHODIMP Device::Present(const RECT *, const RECT *, HWND, const RGNDATA *) {
  // There is no window: the back buffer stays as drawn, to be read back.
  recorder_.Record("Present", {}, nullptr, D3D_OK, "%s", "");
  return D3D_OK;
}

STDMETHODIMP Device::Reset(D3DPRESENT_PARAMETERS *pPresentationParameters) {
  const HRESULT hr = [&]() -> HRESULT {
    if (!pPresentationParameters || inScene_ || recording_) return D3DERR_INVALIDCALL;
    const D3DPRESENT_PARAMETERS p = *pPresentationParameters;
    if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0 || p.BackBufferWidth > 16384 ||
        p.BackBufferHeight > 16384 ||
        (p.EnableAutoDepthStencil && !IsDepthFormat(p.AutoDepthStencilFormat)))
      return D3DERR_INVALIDCALL;
    // Public references to the old implicit surfaces would dangle: Direct3D 9 refuses too.
    if ((backBuffer_ && backBuffer_->PublicCount()) ||
        (autoDepthStencil_ && autoDepthStencil_->PublicCount()))
      return D3DERR_INVALIDCALL;
    state_ = DeviceState();
    renderTarget_.Reset(nullptr);
    depthStencil_.Reset(nullptr);
    backBuffer_.reset();
    autoDepthStencil_.reset();
    params_ = p;
    if (params_.BackBufferFormat != D3DFMT_A8R8G8B8) params_.BackBufferFormat = D3DFMT_X8R8G8B8;
    return CreateImplicitSurfaces();
  }();
  recorder_.Record("Reset", {}, nullptr, hr, "%s", "parameters");
  return hr;
}

// ---- What a device without a window or shaders does not do ------------------------------------

STDMETHODIMP Device::SetCursorProperties(UINT, UINT, IDirect3DSurface9 *) {
  return D3DERR_INVALIDCALL;
}
STDMETHODIMP_(void) Device::SetCursorPosition(int, int, DWORD) {}
STDMETHODIMP_(BOOL) Device::ShowCursor(BOOL) { return FALSE; }
STDMETHODIMP Device::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS *,
                                               IDirect3DSwapChain9 **pSwapChain) {
  if (pSwapChain) *pSwapChain = nullptr;
  return D3DERR_INVALIDCALL;
}
STDMETHODIMP Device::GetSwapChain(UINT, IDirect3DSwapChain9 **pSwapChain) {
  if (pSwapChain) *pSwapChain = nullptr;
  return D3DERR_INVALIDCALL;
}
STDMETHODIMP_(UINT) Device::GetNumberOfSwapChains() { return 1; }
STDMETHODIMP Device::GetRasterStatus(UINT, D3DRASTER_STATUS *pRasterStatus) {
  if (!pRasterStatus) return D3DERR_INVALIDCALL;
  *pRasterStatus = {TRUE, 0};
  return D3D_OK;
}
STDMETHODIMP Device::SetDialogBoxMode(BOOL) { return D3D_OK; }
STDMETHODIMP_(void) Device::SetGammaRamp(UINT, DWORD, const D3DGAMMARAMP *) {}
STDMETHODIMP_(void) Device::GetGammaRamp(UINT, D3DGAMMARAMP *pRamp) {
  if (!pRamp) return;
  for (int i = 0; i < 256; ++i)
    pRamp->red[i] = pRamp->green[i] = pRamp->blue[i] = static_cast<WORD>(i * 257);
}
STDMETHODIMP Device::SetClipStatus(const D3DCLIPSTATUS9 *pClipStatus) {
  if (!pClipStatus) return D3DERR_INVALIDCALL;
  clipStatus_ = *pClipStatus;
  return D3D_OK;
}
STDMETHODIMP Device::GetClipStatus(D3DCLIPSTATUS9 *pClipStatus) {
  if (!pClipStatus) return D3DERR_INVALIDCALL;
  *pClipStatus = clipStatus_;
  return D3D_OK;
}
STDMETHODIMP Device::ValidateDevice(DWORD *pNumPasses) {
  if (!pNumPasses) return D3DERR_INVALIDCALL;
  *pNumPasses = 1;
  return D3D_OK;
}
STDMETHODIMP Device::SetPaletteEntries(UINT, const PALETTEENTRY *) { return D3DERR_INVALIDCALL; }
STDMETHODIMP Device::GetPaletteEntries(UINT, PALETTEENTRY *) { return D3DERR_INVALIDCALL; }
STDMETHODIMP Device::SetCurrentTexturePalette(UINT) { return D3DERR_INVALIDCALL; }
STDMETHODIMP Device::GetCurrentTexturePalette(UINT *) { return D3DERR_INVALIDCALL; }
STDMETHODIMP Device::SetSoftwareVertexProcessing(BOOL bSoftware) {
  softwareVertexProcessing_ = bSoftware ? TRUE : FALSE;
  return D3D_OK;
}
STDMETHODIMP_(BOOL) Device::GetSoftwareVertexProcessing() { return softwareVertexProcessing_; }
STDMETHODIMP Device::SetNPatchMode(float nSegments) {
  nPatchSegments_ = nSegments;
  return D3D_OK;
}
STDMETHODIMP_(float) Device::GetNPatchMode() { return nPatchSegments_; }
STDMETHODIMP Device::ProcessVertices(UINT, UINT, UINT, IDirect3DVertexBuffer9 *,
                                     IDirect3DVertexDeclaration9 *, DWORD) {
  return E_NOTIMPL;
}
STDMETHODIMP Device::DrawRectPatch(UINT, const float *, const D3DRECTPATCH_INFO *) {
  return D3DERR_INVALIDCALL;
}
STDMETHODIMP Device::DrawTriPatch(UINT, const float *, const D3DTRIPATCH_INFO *) {
  return D3DERR_INVALIDCALL;
}
STDMETHODIMP Device::DeletePatch(UINT) { return D3DERR_INVALIDCALL; }
STDMETHODIMP Device::CreateQuery(D3DQUERYTYPE, IDirect3DQuery9 **ppQuery) {
  if (ppQuery) *ppQuery = nullptr;
  return D3DERR_NOTAVAILABLE;
}

} // namespace zrq::d3d9
