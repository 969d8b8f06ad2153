// The factory: one adapter, the software device, and Direct3DCreate9.
#include "platform/d3d9/Direct3D9.h"

#include "platform/d3d9/Device.h"

#include <cstring>

namespace zrq::d3d9 {

void FillCaps(D3DCAPS9 *c, DWORD vs, DWORD ps) {
  std::memset(c, 0, sizeof *c);
  c->DeviceType = D3DDEVTYPE_HAL;
  c->Caps2 = D3DCAPS2_DYNAMICTEXTURES;
  c->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  c->DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
               D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX |
               D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX |
               D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  c->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW |
                         D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_COLORWRITEENABLE |
                         D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND |
                         D3DPMISCCAPS_PERSTAGECONSTANT;
  c->RasterCaps =
      D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SCISSORTEST | D3DPRASTERCAPS_COLORPERSPECTIVE;
  c->ZCmpCaps = c->AlphaCmpCaps = 0xFF;
  c->SrcBlendCaps = c->DestBlendCaps = 0x3FFF;
  c->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  c->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
  c->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                         D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  c->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                          D3DPTADDRESSCAPS_BORDER | D3DPTADDRESSCAPS_INDEPENDENTUV |
                          D3DPTADDRESSCAPS_MIRRORONCE;
  c->MaxTextureWidth = c->MaxTextureHeight = 16384;
  c->MaxTextureRepeat = 8192;
  c->MaxTextureAspectRatio = 16384;
  c->MaxAnisotropy = 1;
  c->MaxVertexW = 1e10f;
  c->GuardBandLeft = c->GuardBandTop = -32768.0f;
  c->GuardBandRight = c->GuardBandBottom = 32768.0f;
  c->StencilCaps = 0x1FF;
  c->FVFCaps = 8;
  c->TextureOpCaps =
      0xFFFF | (1u << 23) | (1u << 24) | (1u << 25); // through LERP, without bump mapping
  c->MaxTextureBlendStages = 8;
  c->MaxSimultaneousTextures = 4;
  c->VertexProcessingCaps =
      D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_POSITIONALLIGHTS;
  c->MaxActiveLights = 0xFFFFFFFF;
  c->MaxPointSize = 1.0f;
  c->MaxPrimitiveCount = 0xFFFFF;
  c->MaxVertexIndex = 0xFFFFFF;
  c->MaxStreams = 16;
  c->MaxStreamStride = 508;
  c->VertexShaderVersion = vs;
  c->MaxVertexShaderConst = vs ? 256 : 0;
  c->PixelShaderVersion = ps;
  c->PixelShader1xMaxValue = ps ? 8.0f : 0.0f;
  c->NumberOfAdaptersInGroup = 1;
  c->DeclTypes = 0x3FF;
  c->NumSimultaneousRTs = 1;
  c->StretchRectFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MAGFPOINT;
}

STDMETHODIMP Direct3D9::QueryInterface(REFIID riid, void **ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3D9) {
    AddRef();
    *ppv = static_cast<IDirect3D9 *>(this);
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Direct3D9::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) Direct3D9::Release() {
  const ULONG count = --refs_;
  if (count == 0) delete this;
  return count;
}

STDMETHODIMP Direct3D9::RegisterSoftwareDevice(void *) { return D3DERR_INVALIDCALL; }
STDMETHODIMP_(UINT) Direct3D9::GetAdapterCount() { return 1; }

STDMETHODIMP Direct3D9::GetAdapterIdentifier(UINT Adapter, DWORD,
                                             D3DADAPTER_IDENTIFIER9 *pIdentifier) {
  if (Adapter != 0 || !pIdentifier) return D3DERR_INVALIDCALL;
  std::memset(pIdentifier, 0, sizeof *pIdentifier);
  std::strcpy(pIdentifier->Driver, "zrqd3d9");
  std::strcpy(pIdentifier->Description, "Software Direct3D 9 device");
  std::strcpy(pIdentifier->DeviceName, "memory");
  return D3D_OK;
}

STDMETHODIMP_(UINT) Direct3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
  return Adapter == 0 && Format == D3DFMT_X8R8G8B8 ? 1 : 0;
}

STDMETHODIMP Direct3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode,
                                         D3DDISPLAYMODE *pMode) {
  if (Adapter != 0 || Mode != 0 || Format != D3DFMT_X8R8G8B8 || !pMode) return D3DERR_INVALIDCALL;
  return GetAdapterDisplayMode(Adapter, pMode);
}

STDMETHODIMP Direct3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE *pMode) {
  if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
  *pMode = {1920, 1080, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

STDMETHODIMP Direct3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE, D3DFORMAT,
                                        D3DFORMAT BackBufferFormat, BOOL) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  return BackBufferFormat == D3DFMT_A8R8G8B8 || BackBufferFormat == D3DFMT_X8R8G8B8
             ? D3D_OK
             : D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE, D3DFORMAT, DWORD Usage,
                                          D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  const bool colour = CheckFormat == D3DFMT_A8R8G8B8 || CheckFormat == D3DFMT_X8R8G8B8;
  if (Usage & D3DUSAGE_DEPTHSTENCIL)
    return IsDepthFormat(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (RType == D3DRTYPE_TEXTURE || RType == D3DRTYPE_SURFACE)
    return colour ? D3D_OK : D3DERR_NOTAVAILABLE;
  return D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                   D3DMULTISAMPLE_TYPE MultiSampleType,
                                                   DWORD *pQualityLevels) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  if (pQualityLevels) *pQualityLevels = MultiSampleType == D3DMULTISAMPLE_NONE ? 1 : 0;
  return MultiSampleType == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                               D3DFORMAT DepthStencilFormat) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  return IsDepthFormat(DepthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::CheckDeviceFormatConversion(UINT Adapter, D3DDEVTYPE,
                                                    D3DFORMAT SourceFormat,
                                                    D3DFORMAT TargetFormat) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  return SourceFormat == TargetFormat ? D3D_OK : D3DERR_NOTAVAILABLE;
}

STDMETHODIMP Direct3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE, D3DCAPS9 *pCaps) {
  if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
  FillCaps(pCaps, 0, 0);
  return D3D_OK;
}

STDMETHODIMP_(HMONITOR) Direct3D9::GetAdapterMonitor(UINT) { return nullptr; }

STDMETHODIMP Direct3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                     DWORD BehaviorFlags,
                                     D3DPRESENT_PARAMETERS *pPresentationParameters,
                                     IDirect3DDevice9 **ppReturnedDeviceInterface) {
  if (!ppReturnedDeviceInterface) return D3DERR_INVALIDCALL;
  *ppReturnedDeviceInterface = nullptr;
  if (Adapter != 0 || !pPresentationParameters) return D3DERR_INVALIDCALL;
  D3DDEVICE_CREATION_PARAMETERS creation = {Adapter, DeviceType, hFocusWindow, BehaviorFlags};
  Device *device = nullptr;
  const HRESULT hr = Device::Create(this, creation, *pPresentationParameters, &device);
  if (FAILED(hr)) return hr;
  *ppReturnedDeviceInterface = device;
  return D3D_OK;
}

} // namespace zrq::d3d9

STDAPI_(IDirect3D9 *) Direct3DCreate9(UINT SDKVersion) {
  if (SDKVersion != D3D_SDK_VERSION) return nullptr;
  return new (std::nothrow) zrq::d3d9::Direct3D9();
}
