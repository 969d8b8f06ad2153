#include "render/FakeDevice.h"

#include <algorithm>
#include <cstring>

namespace zrq::test {

namespace {

DWORD Bits(float f) {
  DWORD d;
  std::memcpy(&d, &f, sizeof d);
  return d;
}

class FakeStateBlock final : public IDirect3DStateBlock9 {
public:
  explicit FakeStateBlock(FakeDevice *owner) : device(owner) { ++device->liveObjects; }
  STDMETHOD(QueryInterface)(REFIID, void **ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = --refs;
    if (left == 0) {
      device->Record("StateBlock.Release", {}, this);
      --device->liveObjects;
      delete this;
    }
    return left;
  }
  STDMETHOD(GetDevice)(IDirect3DDevice9 **) override { return E_NOTIMPL; }
  STDMETHOD(Capture)() override { return device->Record("StateBlock.Capture", {}, this); }
  STDMETHOD(Apply)() override { return device->Record("StateBlock.Apply", {}, this); }

private:
  FakeDevice *device;
  std::atomic<ULONG> refs{1};
};

} // namespace

void FakeDevice::Fail(const std::string &method, HRESULT result) {
  std::lock_guard<std::mutex> guard(callsLock);
  failures[method] = result;
}

std::vector<FakeCall> FakeDevice::Calls() const {
  std::lock_guard<std::mutex> guard(callsLock);
  return calls;
}

void FakeDevice::ClearCalls() {
  std::lock_guard<std::mutex> guard(callsLock);
  calls.clear();
}

std::vector<FakeCall> FakeDevice::CallsOf(std::initializer_list<const char *> methods) const {
  std::vector<FakeCall> out;
  for (const FakeCall &c : Calls())
    if (std::any_of(methods.begin(), methods.end(), [&](const char *m) { return c.method == m; }))
      out.push_back(c);
  return out;
}

HRESULT FakeDevice::Record(const char *method, std::vector<DWORD> args, const void *object) {
  std::lock_guard<std::mutex> guard(callsLock);
  calls.push_back({method, std::move(args), object});
  const auto failure = failures.find(method);
  return failure == failures.end() ? S_OK : failure->second;
}

HRESULT FakeDevice::Unexpected(const char *method) {
  Record(method, {});
  return E_NOTIMPL;
}

HRESULT FakeDevice::QueryInterface(REFIID, void **ppv) {
  if (ppv) *ppv = nullptr;
  return E_NOINTERFACE;
}

HRESULT FakeDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD *pValue) {
  const HRESULT hr = Record("GetRenderState", {DWORD(State)});
  if (SUCCEEDED(hr) && pValue) *pValue = renderStates[State];
  return hr;
}

HRESULT FakeDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  const HRESULT hr = Record("SetRenderState", {DWORD(State), Value});
  if (SUCCEEDED(hr)) renderStates[State] = Value;
  return hr;
}

HRESULT FakeDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                         DWORD *pValue) {
  const HRESULT hr = Record("GetTextureStageState", {Stage, DWORD(Type)});
  if (SUCCEEDED(hr) && pValue) *pValue = stageStates[Stage << 16 | Type];
  return hr;
}

HRESULT FakeDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  const HRESULT hr = Record("SetTextureStageState", {Stage, DWORD(Type), Value});
  if (SUCCEEDED(hr)) stageStates[Stage << 16 | Type] = Value;
  return hr;
}

HRESULT FakeDevice::SetLight(DWORD Index, const D3DLIGHT9 *) { return Record("SetLight", {Index}); }

HRESULT FakeDevice::LightEnable(DWORD Index, BOOL Enable) {
  return Record("LightEnable", {Index, DWORD(Enable)});
}

HRESULT FakeDevice::SetVertexShader(IDirect3DVertexShader9 *pShader) {
  return Record("SetVertexShader", {}, pShader);
}

HRESULT FakeDevice::SetFVF(DWORD FVF) { return Record("SetFVF", {FVF}); }

HRESULT FakeDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9 *pStreamData,
                                    UINT OffsetInBytes, UINT Stride) {
  return Record("SetStreamSource", {StreamNumber, OffsetInBytes, Stride}, pStreamData);
}

HRESULT FakeDevice::Clear(DWORD Count, const D3DRECT *, DWORD Flags, D3DCOLOR Color, float Z,
                          DWORD Stencil) {
  return Record("Clear", {Count, Flags, Color, Bits(Z), Stencil});
}

HRESULT FakeDevice::SetMaterial(const D3DMATERIAL9 *pMaterial) {
  const HRESULT hr = Record("SetMaterial", {pMaterial ? Bits(pMaterial->Ambient.r) : 0});
  if (SUCCEEDED(hr) && pMaterial) material = *pMaterial;
  return hr;
}

HRESULT FakeDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9 *pTexture) {
  return Record("SetTexture", {Stage}, pTexture);
}

HRESULT FakeDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX *pMatrix) {
  const HRESULT hr = Record("SetTransform", {DWORD(State), pMatrix ? Bits(pMatrix->_41) : 0});
  if (SUCCEEDED(hr) && pMatrix && State == D3DTS_WORLD) world = *pMatrix;
  return hr;
}

HRESULT FakeDevice::SetIndices(IDirect3DIndexBuffer9 *pIndexData) {
  return Record("SetIndices", {}, pIndexData);
}

HRESULT FakeDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                         UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                         UINT primCount) {
  return Record("DrawIndexedPrimitive", {DWORD(PrimitiveType), DWORD(BaseVertexIndex),
                                         MinVertexIndex, NumVertices, startIndex, primCount});
}

HRESULT FakeDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9 **ppVertexBuffer, HANDLE *) {
  const HRESULT hr = Record("CreateVertexBuffer", {Length, Usage, FVF, DWORD(Pool)});
  if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = SUCCEEDED(hr) ? new FakeVertexBuffer(Length, &liveObjects) : nullptr;
  return hr;
}

HRESULT FakeDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer9 **ppIndexBuffer, HANDLE *) {
  const HRESULT hr = Record("CreateIndexBuffer", {Length, Usage, DWORD(Format), DWORD(Pool)});
  if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = SUCCEEDED(hr) ? new FakeIndexBuffer(Length, &liveObjects) : nullptr;
  return hr;
}

HRESULT FakeDevice::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9 **ppSB) {
  const HRESULT hr = Record("CreateStateBlock", {DWORD(Type)});
  if (!ppSB) return D3DERR_INVALIDCALL;
  *ppSB = SUCCEEDED(hr) ? new FakeStateBlock(this) : nullptr;
  return hr;
}

} // namespace zrq::test
