#include "render/FakeShaderCompiler.h"

#include <atomic>
#include <cstring>

namespace zrq::test {
namespace {

std::vector<CompileCall> compileCalls;
std::vector<ConstantWrite> constantWrites;
HRESULT compileResult = S_OK;
std::atomic<int> liveTables{0};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

class FakeConstantTable final : public ID3DXConstantTable {
public:
  FakeConstantTable() { ++liveTables; }

  STDMETHOD(QueryInterface)(REFIID riid, void **ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ID3DXBuffer || riid == IID_ID3DXConstantTable) {
      AddRef();
      *ppv = static_cast<ID3DXConstantTable *>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override {
    const ULONG left = --refs;
    if (left == 0) {
      --liveTables;
      delete this;
    }
    return left;
  }
  STDMETHOD_(LPVOID, GetBufferPointer)() override { return nullptr; }
  STDMETHOD_(DWORD, GetBufferSize)() override { return 0; }

  STDMETHOD(SetFloat)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, FLOAT f) override {
    constantWrites.push_back({hConstant, {f}, pDevice});
    return D3D_OK;
  }
  STDMETHOD(SetMatrix)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix) override {
    std::vector<float> values(16);
    std::memcpy(values.data(), &pMatrix->m[0][0], sizeof(float) * 16);
    constantWrites.push_back({hConstant, values, pDevice});
    return D3D_OK;
  }

  STDMETHOD(GetDesc)(D3DXCONSTANTTABLE_DESC *pDesc) override { return E_NOTIMPL; }
  STDMETHOD(GetConstantDesc)
  (D3DXHANDLE hConstant, D3DXCONSTANT_DESC *pConstantDesc, UINT *pCount) override {
    return E_NOTIMPL;
  }
  STDMETHOD_(UINT, GetSamplerIndex)(D3DXHANDLE hConstant) override { return 0; }
  STDMETHOD_(D3DXHANDLE, GetConstant)(D3DXHANDLE hConstant, UINT Index) override { return nullptr; }
  STDMETHOD_(D3DXHANDLE, GetConstantByName)(D3DXHANDLE hConstant, LPCSTR pName) override {
    return nullptr;
  }
  STDMETHOD_(D3DXHANDLE, GetConstantElement)(D3DXHANDLE hConstant, UINT Index) override {
    return nullptr;
  }
  STDMETHOD(SetDefaults)(IDirect3DDevice9 *pDevice) override { return E_NOTIMPL; }
  STDMETHOD(SetValue)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, LPCVOID pData, UINT Bytes) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetBool)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, BOOL b) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetBoolArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const BOOL *pb, UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetInt)(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, INT n) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetIntArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const INT *pn, UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetFloatArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const FLOAT *pf, UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetVector)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXVECTOR4 *pVector) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetVectorArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXVECTOR4 *pVector,
   UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetMatrixArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix,
   UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetMatrixPointerArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX **ppMatrix,
   UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetMatrixTranspose)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetMatrixTransposeArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX *pMatrix,
   UINT Count) override {
    return E_NOTIMPL;
  }
  STDMETHOD(SetMatrixTransposePointerArray)
  (IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const D3DXMATRIX **ppMatrix,
   UINT Count) override {
    return E_NOTIMPL;
  }

private:
  ~FakeConstantTable() = default;
  std::atomic<ULONG> refs{1};
};

#pragma GCC diagnostic pop

// A version token and the end token: the least a device takes as a shader.
LPD3DXBUFFER Tokens(DWORD version) {
  LPD3DXBUFFER buffer = nullptr;
  if (FAILED(D3DXCreateBuffer(2 * sizeof(DWORD), &buffer))) return nullptr;
  const DWORD tokens[2] = {version, 0x0000FFFF};
  std::memcpy(buffer->GetBufferPointer(), tokens, sizeof tokens);
  return buffer;
}

} // namespace

void ResetShaderCompiler(HRESULT result) {
  compileCalls.clear();
  constantWrites.clear();
  compileResult = result;
}

const std::vector<CompileCall> &CompileCalls() { return compileCalls; }
const std::vector<ConstantWrite> &ConstantWrites() { return constantWrites; }

std::vector<float> LastConstant(const std::string &name) {
  for (auto w = constantWrites.rbegin(); w != constantWrites.rend(); ++w)
    if (w->name == name) return w->values;
  return {};
}

int LiveConstantTables() { return liveTables; }

} // namespace zrq::test

using namespace zrq::test;

ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource, const D3DXMACRO *,
                               LPD3DXINCLUDE, LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags,
                               LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                               LPD3DXCONSTANTTABLE *ppConstantTable) {
  compileCalls.push_back({hSrcModule, reinterpret_cast<ULONG_PTR>(pSrcResource),
                          pFunctionName ? pFunctionName : "", pProfile ? pProfile : "", Flags,
                          ppErrorMsgs != nullptr});
  if (ppErrorMsgs) *ppErrorMsgs = nullptr;
  if (ppConstantTable) *ppConstantTable = nullptr;
  *ppShader = nullptr;
  if (FAILED(compileResult)) return compileResult;
  const std::string profile = pProfile;
  *ppShader = Tokens(profile.rfind("vs_", 0) == 0 ? D3DVS_VERSION(1, 1) : D3DPS_VERSION(2, 0));
  if (ppConstantTable) *ppConstantTable = new FakeConstantTable;
  return D3D_OK;
}
