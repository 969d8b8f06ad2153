// A recording stand-in for the host's device: it remembers every call with its key arguments,
// keeps render and texture-stage states so that reads see earlier writes, makes memory buffers
// and state blocks, and fails any method it is told to. The shared draw's order and its
// stop-on-failure steps are checked against it; the drawing itself is checked on the software
// device.
#pragma once

#include <d3d9.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "render/FakeBuffers.h"

namespace zrq::test {

struct FakeCall {
  std::string method;
  std::vector<DWORD> args;
  const void *object = nullptr;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

class FakeDevice final : public IDirect3DDevice9 {
public:
  FakeDevice() = default;
  FakeDevice(const FakeDevice &) = delete;
  FakeDevice &operator=(const FakeDevice &) = delete;

  // Every later call of `method` returns `result`.
  void Fail(const std::string &method, HRESULT result);
  std::vector<FakeCall> Calls() const;
  void ClearCalls();
  // The recorded calls of the given methods only, in order.
  std::vector<FakeCall> CallsOf(std::initializer_list<const char *> methods) const;

  ULONG Refs() const { return refs; }
  // Buffers and state blocks made by this device and not yet released.
  std::atomic<int> liveObjects{0};

  std::map<DWORD, DWORD> renderStates;
  std::map<DWORD, DWORD> stageStates; // key: stage << 16 | type
  D3DMATERIAL9 material{};
  D3DMATRIX world{};

  STDMETHOD(QueryInterface)(REFIID riid, void **ppv) override;
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  // The test owns the device on its stack; the count only shows who still holds it.
  STDMETHOD_(ULONG, Release)() override { return --refs; }

  STDMETHOD(GetRenderState)(D3DRENDERSTATETYPE State, DWORD *pValue) override;
  STDMETHOD(SetRenderState)(D3DRENDERSTATETYPE State, DWORD Value) override;
  STDMETHOD(GetTextureStageState)
  (DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD *pValue) override;
  STDMETHOD(SetTextureStageState)(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  STDMETHOD(SetLight)(DWORD Index, const D3DLIGHT9 *pLight) override;
  STDMETHOD(LightEnable)(DWORD Index, BOOL Enable) override;
  STDMETHOD(SetVertexShader)(IDirect3DVertexShader9 *pShader) override;
  STDMETHOD(SetFVF)(DWORD FVF) override;
  STDMETHOD(SetStreamSource)
  (UINT StreamNumber, IDirect3DVertexBuffer9 *pStreamData, UINT OffsetInBytes,
   UINT Stride) override;
  STDMETHOD(Clear)
  (DWORD Count, const D3DRECT *pRects, DWORD Flags, D3DCOLOR Color, float Z,
   DWORD Stencil) override;
  STDMETHOD(SetMaterial)(const D3DMATERIAL9 *pMaterial) override;
  STDMETHOD(SetTexture)(DWORD Stage, IDirect3DBaseTexture9 *pTexture) override;
  STDMETHOD(SetTransform)(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) override;
  STDMETHOD(SetIndices)(IDirect3DIndexBuffer9 *pIndexData) override;
  STDMETHOD(DrawIndexedPrimitive)
  (D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex, UINT NumVertices,
   UINT startIndex, UINT primCount) override;
  STDMETHOD(CreateVertexBuffer)
  (UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool, IDirect3DVertexBuffer9 **ppVertexBuffer,
   HANDLE *pSharedHandle) override;
  STDMETHOD(CreateIndexBuffer)
  (UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, IDirect3DIndexBuffer9 **ppIndexBuffer,
   HANDLE *pSharedHandle) override;
  STDMETHOD(CreateStateBlock)(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9 **ppSB) override;

  // Recorded by the state blocks this device makes.
  HRESULT Record(const char *method, std::vector<DWORD> args, const void *object = nullptr);

  // Everything else: recorded as unexpected, E_NOTIMPL.
  STDMETHOD(TestCooperativeLevel)() override { return Unexpected("TestCooperativeLevel"); }
  STDMETHOD_(UINT, GetAvailableTextureMem)() override {
    Unexpected("GetAvailableTextureMem");
    return 0;
  }
  STDMETHOD(EvictManagedResources)() override { return Unexpected("EvictManagedResources"); }
  STDMETHOD(GetDirect3D)(IDirect3D9 **ppD3D9) override { return Unexpected("GetDirect3D"); }
  STDMETHOD(GetDeviceCaps)(D3DCAPS9 *pCaps) override { return Unexpected("GetDeviceCaps"); }
  STDMETHOD(GetDisplayMode)(UINT iSwapChain, D3DDISPLAYMODE *pMode) override {
    return Unexpected("GetDisplayMode");
  }
  STDMETHOD(GetCreationParameters)(D3DDEVICE_CREATION_PARAMETERS *pParameters) override {
    return Unexpected("GetCreationParameters");
  }
  STDMETHOD(SetCursorProperties)
  (UINT XHotSpot, UINT YHotSpot, IDirect3DSurface9 *pCursorBitmap) override {
    return Unexpected("SetCursorProperties");
  }
  STDMETHOD_(void, SetCursorPosition)(int X, int Y, DWORD Flags) override {
    Unexpected("SetCursorPosition");
  }
  STDMETHOD_(BOOL, ShowCursor)(BOOL bShow) override {
    Unexpected("ShowCursor");
    return FALSE;
  }
  STDMETHOD(CreateAdditionalSwapChain)
  (D3DPRESENT_PARAMETERS *pPresentationParameters, IDirect3DSwapChain9 **pSwapChain) override {
    return Unexpected("CreateAdditionalSwapChain");
  }
  STDMETHOD(GetSwapChain)(UINT iSwapChain, IDirect3DSwapChain9 **pSwapChain) override {
    return Unexpected("GetSwapChain");
  }
  STDMETHOD_(UINT, GetNumberOfSwapChains)() override {
    Unexpected("GetNumberOfSwapChains");
    return 0;
  }
  STDMETHOD(Reset)(D3DPRESENT_PARAMETERS *pPresentationParameters) override {
    return Unexpected("Reset");
  }
  STDMETHOD(Present)
  (const RECT *pSourceRect, const RECT *pDestRect, HWND hDestWindowOverride,
   const RGNDATA *pDirtyRegion) override {
    return Unexpected("Present");
  }
  STDMETHOD(GetBackBuffer)
  (UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
   IDirect3DSurface9 **ppBackBuffer) override {
    return Unexpected("GetBackBuffer");
  }
  STDMETHOD(GetRasterStatus)(UINT iSwapChain, D3DRASTER_STATUS *pRasterStatus) override {
    return Unexpected("GetRasterStatus");
  }
  STDMETHOD(SetDialogBoxMode)(BOOL bEnableDialogs) override {
    return Unexpected("SetDialogBoxMode");
  }
  STDMETHOD_(void, SetGammaRamp)(UINT iSwapChain, DWORD Flags, const D3DGAMMARAMP *pRamp) override {
    Unexpected("SetGammaRamp");
  }
  STDMETHOD_(void, GetGammaRamp)(UINT iSwapChain, D3DGAMMARAMP *pRamp) override {
    Unexpected("GetGammaRamp");
  }
  STDMETHOD(CreateTexture)
  (UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
   IDirect3DTexture9 **ppTexture, HANDLE *pSharedHandle) override {
    return Unexpected("CreateTexture");
  }
  STDMETHOD(CreateVolumeTexture)
  (UINT Width, UINT Height, UINT Depth, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
   IDirect3DVolumeTexture9 **ppVolumeTexture, HANDLE *pSharedHandle) override {
    return Unexpected("CreateVolumeTexture");
  }
  STDMETHOD(CreateCubeTexture)
  (UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
   IDirect3DCubeTexture9 **ppCubeTexture, HANDLE *pSharedHandle) override {
    return Unexpected("CreateCubeTexture");
  }
  STDMETHOD(CreateRenderTarget)
  (UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
   DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9 **ppSurface,
   HANDLE *pSharedHandle) override {
    return Unexpected("CreateRenderTarget");
  }
  STDMETHOD(CreateDepthStencilSurface)
  (UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
   DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9 **ppSurface,
   HANDLE *pSharedHandle) override {
    return Unexpected("CreateDepthStencilSurface");
  }
  STDMETHOD(UpdateSurface)
  (IDirect3DSurface9 *pSourceSurface, const RECT *pSourceRect,
   IDirect3DSurface9 *pDestinationSurface, const POINT *pDestPoint) override {
    return Unexpected("UpdateSurface");
  }
  STDMETHOD(UpdateTexture)
  (IDirect3DBaseTexture9 *pSourceTexture, IDirect3DBaseTexture9 *pDestinationTexture) override {
    return Unexpected("UpdateTexture");
  }
  STDMETHOD(GetRenderTargetData)
  (IDirect3DSurface9 *pRenderTarget, IDirect3DSurface9 *pDestSurface) override {
    return Unexpected("GetRenderTargetData");
  }
  STDMETHOD(GetFrontBufferData)(UINT iSwapChain, IDirect3DSurface9 *pDestSurface) override {
    return Unexpected("GetFrontBufferData");
  }
  STDMETHOD(StretchRect)
  (IDirect3DSurface9 *pSourceSurface, const RECT *pSourceRect, IDirect3DSurface9 *pDestSurface,
   const RECT *pDestRect, D3DTEXTUREFILTERTYPE Filter) override {
    return Unexpected("StretchRect");
  }
  STDMETHOD(ColorFill)(IDirect3DSurface9 *pSurface, const RECT *pRect, D3DCOLOR color) override {
    return Unexpected("ColorFill");
  }
  STDMETHOD(CreateOffscreenPlainSurface)
  (UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool, IDirect3DSurface9 **ppSurface,
   HANDLE *pSharedHandle) override {
    return Unexpected("CreateOffscreenPlainSurface");
  }
  STDMETHOD(SetRenderTarget)(DWORD RenderTargetIndex, IDirect3DSurface9 *pRenderTarget) override {
    return Unexpected("SetRenderTarget");
  }
  STDMETHOD(GetRenderTarget)(DWORD RenderTargetIndex, IDirect3DSurface9 **ppRenderTarget) override {
    return Unexpected("GetRenderTarget");
  }
  STDMETHOD(SetDepthStencilSurface)(IDirect3DSurface9 *pNewZStencil) override {
    return Unexpected("SetDepthStencilSurface");
  }
  STDMETHOD(GetDepthStencilSurface)(IDirect3DSurface9 **ppZStencilSurface) override {
    return Unexpected("GetDepthStencilSurface");
  }
  STDMETHOD(BeginScene)() override { return Unexpected("BeginScene"); }
  STDMETHOD(EndScene)() override { return Unexpected("EndScene"); }
  STDMETHOD(GetTransform)(D3DTRANSFORMSTATETYPE State, D3DMATRIX *pMatrix) override {
    return Unexpected("GetTransform");
  }
  STDMETHOD(MultiplyTransform)(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) override {
    return Unexpected("MultiplyTransform");
  }
  STDMETHOD(SetViewport)(const D3DVIEWPORT9 *pViewport) override {
    return Unexpected("SetViewport");
  }
  STDMETHOD(GetViewport)(D3DVIEWPORT9 *pViewport) override { return Unexpected("GetViewport"); }
  STDMETHOD(GetMaterial)(D3DMATERIAL9 *pMaterial) override { return Unexpected("GetMaterial"); }
  STDMETHOD(GetLight)(DWORD Index, D3DLIGHT9 *pLight) override { return Unexpected("GetLight"); }
  STDMETHOD(GetLightEnable)(DWORD Index, BOOL *pEnable) override {
    return Unexpected("GetLightEnable");
  }
  STDMETHOD(SetClipPlane)(DWORD Index, const float *pPlane) override {
    return Unexpected("SetClipPlane");
  }
  STDMETHOD(GetClipPlane)(DWORD Index, float *pPlane) override {
    return Unexpected("GetClipPlane");
  }
  STDMETHOD(BeginStateBlock)() override { return Unexpected("BeginStateBlock"); }
  STDMETHOD(EndStateBlock)(IDirect3DStateBlock9 **ppSB) override {
    return Unexpected("EndStateBlock");
  }
  STDMETHOD(SetClipStatus)(const D3DCLIPSTATUS9 *pClipStatus) override {
    return Unexpected("SetClipStatus");
  }
  STDMETHOD(GetClipStatus)(D3DCLIPSTATUS9 *pClipStatus) override {
    return Unexpected("GetClipStatus");
  }
  STDMETHOD(GetTexture)(DWORD Stage, IDirect3DBaseTexture9 **ppTexture) override {
    return Unexpected("GetTexture");
  }
  STDMETHOD(GetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD *pValue) override {
    return Unexpected("GetSamplerState");
  }
  STDMETHOD(SetSamplerState)(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override {
    return Unexpected("SetSamplerState");
  }
  STDMETHOD(ValidateDevice)(DWORD *pNumPasses) override { return Unexpected("ValidateDevice"); }
  STDMETHOD(SetPaletteEntries)(UINT PaletteNumber, const PALETTEENTRY *pEntries) override {
    return Unexpected("SetPaletteEntries");
  }
  STDMETHOD(GetPaletteEntries)(UINT PaletteNumber, PALETTEENTRY *pEntries) override {
    return Unexpected("GetPaletteEntries");
  }
  STDMETHOD(SetCurrentTexturePalette)(UINT PaletteNumber) override {
    return Unexpected("SetCurrentTexturePalette");
  }
  STDMETHOD(GetCurrentTexturePalette)(UINT *PaletteNumber) override {
    return Unexpected("GetCurrentTexturePalette");
  }
  STDMETHOD(SetScissorRect)(const RECT *pRect) override { return Unexpected("SetScissorRect"); }
  STDMETHOD(GetScissorRect)(RECT *pRect) override { return Unexpected("GetScissorRect"); }
  STDMETHOD(SetSoftwareVertexProcessing)(BOOL bSoftware) override {
    return Unexpected("SetSoftwareVertexProcessing");
  }
  STDMETHOD_(BOOL, GetSoftwareVertexProcessing)() override {
    Unexpected("GetSoftwareVertexProcessing");
    return FALSE;
  }
  STDMETHOD(SetNPatchMode)(float nSegments) override { return Unexpected("SetNPatchMode"); }
  STDMETHOD_(float, GetNPatchMode)() override {
    Unexpected("GetNPatchMode");
    return 0.0f;
  }
  STDMETHOD(DrawPrimitive)
  (D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override {
    return Unexpected("DrawPrimitive");
  }
  STDMETHOD(DrawPrimitiveUP)
  (D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount, const void *pVertexStreamZeroData,
   UINT VertexStreamZeroStride) override {
    return Unexpected("DrawPrimitiveUP");
  }
  STDMETHOD(DrawIndexedPrimitiveUP)
  (D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices, UINT PrimitiveCount,
   const void *pIndexData, D3DFORMAT IndexDataFormat, const void *pVertexStreamZeroData,
   UINT VertexStreamZeroStride) override {
    return Unexpected("DrawIndexedPrimitiveUP");
  }
  STDMETHOD(ProcessVertices)
  (UINT SrcStartIndex, UINT DestIndex, UINT VertexCount, IDirect3DVertexBuffer9 *pDestBuffer,
   IDirect3DVertexDeclaration9 *pVertexDecl, DWORD Flags) override {
    return Unexpected("ProcessVertices");
  }
  STDMETHOD(CreateVertexDeclaration)
  (const D3DVERTEXELEMENT9 *pVertexElements, IDirect3DVertexDeclaration9 **ppDecl) override {
    return Unexpected("CreateVertexDeclaration");
  }
  STDMETHOD(SetVertexDeclaration)(IDirect3DVertexDeclaration9 *pDecl) override {
    return Unexpected("SetVertexDeclaration");
  }
  STDMETHOD(GetVertexDeclaration)(IDirect3DVertexDeclaration9 **ppDecl) override {
    return Unexpected("GetVertexDeclaration");
  }
  STDMETHOD(GetFVF)(DWORD *pFVF) override { return Unexpected("GetFVF"); }
  STDMETHOD(CreateVertexShader)
  (const DWORD *pFunction, IDirect3DVertexShader9 **ppShader) override {
    return Unexpected("CreateVertexShader");
  }
  STDMETHOD(GetVertexShader)(IDirect3DVertexShader9 **ppShader) override {
    return Unexpected("GetVertexShader");
  }
  STDMETHOD(SetVertexShaderConstantF)
  (UINT StartRegister, const float *pConstantData, UINT Vector4fCount) override {
    return Unexpected("SetVertexShaderConstantF");
  }
  STDMETHOD(GetVertexShaderConstantF)
  (UINT StartRegister, float *pConstantData, UINT Vector4fCount) override {
    return Unexpected("GetVertexShaderConstantF");
  }
  STDMETHOD(SetVertexShaderConstantI)
  (UINT StartRegister, const int *pConstantData, UINT Vector4iCount) override {
    return Unexpected("SetVertexShaderConstantI");
  }
  STDMETHOD(GetVertexShaderConstantI)
  (UINT StartRegister, int *pConstantData, UINT Vector4iCount) override {
    return Unexpected("GetVertexShaderConstantI");
  }
  STDMETHOD(SetVertexShaderConstantB)
  (UINT StartRegister, const BOOL *pConstantData, UINT BoolCount) override {
    return Unexpected("SetVertexShaderConstantB");
  }
  STDMETHOD(GetVertexShaderConstantB)
  (UINT StartRegister, BOOL *pConstantData, UINT BoolCount) override {
    return Unexpected("GetVertexShaderConstantB");
  }
  STDMETHOD(GetStreamSource)
  (UINT StreamNumber, IDirect3DVertexBuffer9 **ppStreamData, UINT *pOffsetInBytes,
   UINT *pStride) override {
    return Unexpected("GetStreamSource");
  }
  STDMETHOD(SetStreamSourceFreq)(UINT StreamNumber, UINT Setting) override {
    return Unexpected("SetStreamSourceFreq");
  }
  STDMETHOD(GetStreamSourceFreq)(UINT StreamNumber, UINT *pSetting) override {
    return Unexpected("GetStreamSourceFreq");
  }
  STDMETHOD(GetIndices)(IDirect3DIndexBuffer9 **ppIndexData) override {
    return Unexpected("GetIndices");
  }
  STDMETHOD(CreatePixelShader)(const DWORD *pFunction, IDirect3DPixelShader9 **ppShader) override {
    return Unexpected("CreatePixelShader");
  }
  STDMETHOD(SetPixelShader)(IDirect3DPixelShader9 *pShader) override {
    return Unexpected("SetPixelShader");
  }
  STDMETHOD(GetPixelShader)(IDirect3DPixelShader9 **ppShader) override {
    return Unexpected("GetPixelShader");
  }
  STDMETHOD(SetPixelShaderConstantF)
  (UINT StartRegister, const float *pConstantData, UINT Vector4fCount) override {
    return Unexpected("SetPixelShaderConstantF");
  }
  STDMETHOD(GetPixelShaderConstantF)
  (UINT StartRegister, float *pConstantData, UINT Vector4fCount) override {
    return Unexpected("GetPixelShaderConstantF");
  }
  STDMETHOD(SetPixelShaderConstantI)
  (UINT StartRegister, const int *pConstantData, UINT Vector4iCount) override {
    return Unexpected("SetPixelShaderConstantI");
  }
  STDMETHOD(GetPixelShaderConstantI)
  (UINT StartRegister, int *pConstantData, UINT Vector4iCount) override {
    return Unexpected("GetPixelShaderConstantI");
  }
  STDMETHOD(SetPixelShaderConstantB)
  (UINT StartRegister, const BOOL *pConstantData, UINT BoolCount) override {
    return Unexpected("SetPixelShaderConstantB");
  }
  STDMETHOD(GetPixelShaderConstantB)
  (UINT StartRegister, BOOL *pConstantData, UINT BoolCount) override {
    return Unexpected("GetPixelShaderConstantB");
  }
  STDMETHOD(DrawRectPatch)
  (UINT Handle, const float *pNumSegs, const D3DRECTPATCH_INFO *pRectPatchInfo) override {
    return Unexpected("DrawRectPatch");
  }
  STDMETHOD(DrawTriPatch)
  (UINT Handle, const float *pNumSegs, const D3DTRIPATCH_INFO *pTriPatchInfo) override {
    return Unexpected("DrawTriPatch");
  }
  STDMETHOD(DeletePatch)(UINT Handle) override { return Unexpected("DeletePatch"); }
  STDMETHOD(CreateQuery)(D3DQUERYTYPE Type, IDirect3DQuery9 **ppQuery) override {
    return Unexpected("CreateQuery");
  }

private:
  HRESULT Unexpected(const char *method);

  mutable std::mutex callsLock;
  std::vector<FakeCall> calls;
  std::map<std::string, HRESULT> failures;
  std::atomic<ULONG> refs{1};
};

#pragma GCC diagnostic pop

} // namespace zrq::test

namespace zrq::test {

// A texture that is only ever handed to SetTexture: the fake device never reads it.
class FakeTexture final : public IDirect3DTexture9 {
public:
  STDMETHOD(QueryInterface)(REFIID, void **ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return 2; }
  STDMETHOD_(ULONG, Release)() override { return 1; }
  STDMETHOD(GetDevice)(IDirect3DDevice9 **) override { return E_NOTIMPL; }
  STDMETHOD(SetPrivateData)(REFGUID, const void *, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(GetPrivateData)(REFGUID, void *, DWORD *) override { return E_NOTIMPL; }
  STDMETHOD(FreePrivateData)(REFGUID) override { return E_NOTIMPL; }
  STDMETHOD_(DWORD, SetPriority)(DWORD) override { return 0; }
  STDMETHOD_(DWORD, GetPriority)() override { return 0; }
  STDMETHOD_(void, PreLoad)() override {}
  STDMETHOD_(D3DRESOURCETYPE, GetType)() override { return D3DRTYPE_TEXTURE; }
  STDMETHOD_(DWORD, SetLOD)(DWORD) override { return 0; }
  STDMETHOD_(DWORD, GetLOD)() override { return 0; }
  STDMETHOD_(DWORD, GetLevelCount)() override { return 1; }
  STDMETHOD(SetAutoGenFilterType)(D3DTEXTUREFILTERTYPE) override { return E_NOTIMPL; }
  STDMETHOD_(D3DTEXTUREFILTERTYPE, GetAutoGenFilterType)() override { return D3DTEXF_NONE; }
  STDMETHOD_(void, GenerateMipSubLevels)() override {}
  STDMETHOD(GetLevelDesc)(UINT, D3DSURFACE_DESC *) override { return E_NOTIMPL; }
  STDMETHOD(GetSurfaceLevel)(UINT, IDirect3DSurface9 **) override { return E_NOTIMPL; }
  STDMETHOD(LockRect)(UINT, D3DLOCKED_RECT *, const RECT *, DWORD) override { return E_NOTIMPL; }
  STDMETHOD(UnlockRect)(UINT) override { return E_NOTIMPL; }
  STDMETHOD(AddDirtyRect)(const RECT *) override { return E_NOTIMPL; }
};

} // namespace zrq::test
