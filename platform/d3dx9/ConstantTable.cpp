// ID3DXConstantTable: the constants of a compiled shader, found by name or handle, and the
// Set methods that write their registers on a device. A handle is the address of the text
// that names the constant ("m", "a[2]", "s.x"), so every handle is also a usable name.
#include "platform/d3dx9/ConstantTable.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/ConstantTableReader.h"

namespace zrq::d3dx9 {
namespace {

constexpr size_t kMaxEntries = 1u << 16;

struct Entry {
  std::string handleName;
  D3DXCONSTANT_DESC desc{};
  std::vector<Entry *> members;  // struct members, in order
  std::vector<Entry *> elements; // array elements, when there are several
};

UINT RegistersOf(const ConstantType &type, uint16_t set) {
  UINT perElement;
  if (type.parameterClass == D3DXPC_STRUCT) {
    perElement = 0;
    for (const ConstantMember &m : type.members) perElement += RegistersOf(m.type, set);
  } else if (set == D3DXRS_BOOL) {
    perElement = static_cast<UINT>(type.rows) * type.columns;
  } else if (type.parameterClass == D3DXPC_MATRIX_ROWS) {
    perElement = type.rows;
  } else if (type.parameterClass == D3DXPC_MATRIX_COLUMNS) {
    perElement = type.columns;
  } else {
    perElement = 1;
  }
  return perElement * std::max<UINT>(1, type.elements);
}

UINT BytesOf(const ConstantType &type) {
  UINT perElement;
  if (type.parameterClass == D3DXPC_STRUCT) {
    perElement = 0;
    for (const ConstantMember &m : type.members) perElement += BytesOf(m.type);
  } else {
    perElement = 4u * type.rows * type.columns;
  }
  return perElement * std::max<UINT>(1, type.elements);
}

class ConstantTable final : public ID3DXConstantTable {
public:
  static HRESULT Create(const uint8_t *data, size_t size, ID3DXConstantTable **out) {
    *out = nullptr;
    try {
      struct Releaser {
        void operator()(ConstantTable *t) const { t->Release(); }
      };
      std::unique_ptr<ConstantTable, Releaser> table(new ConstantTable);
      table->bytes.assign(data, data + size);
      std::string error;
      if (!ReadConstantTable(table->bytes.data(), table->bytes.size(), table->model, error) ||
          !table->Build())
        return D3DXERR_INVALIDDATA;
      *out = table.release();
      return D3D_OK;
    } catch (const std::bad_alloc &) {
      return E_OUTOFMEMORY;
    }
  }

  STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ID3DXBuffer || riid == IID_ID3DXConstantTable) {
      AddRef();
      *ppv = static_cast<ID3DXConstantTable *>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP_(LPVOID) GetBufferPointer() override { return bytes.data(); }
  STDMETHODIMP_(DWORD) GetBufferSize() override { return static_cast<DWORD>(bytes.size()); }

  STDMETHODIMP GetDesc(D3DXCONSTANTTABLE_DESC *pDesc) override {
    if (!pDesc) return D3DERR_INVALIDCALL;
    pDesc->Creator = model.creator.c_str();
    pDesc->Version = model.version;
    pDesc->Constants = static_cast<UINT>(top.size());
    return D3D_OK;
  }

  STDMETHODIMP GetConstantDesc(D3DXHANDLE hConstant, D3DXCONSTANT_DESC *pDesc,
                               UINT *pCount) override {
    const Entry *e = Find(hConstant);
    if (!e) return D3DERR_INVALIDCALL;
    if (pDesc) *pDesc = e->desc;
    if (pCount) *pCount = 1;
    return D3D_OK;
  }

  STDMETHODIMP_(UINT) GetSamplerIndex(D3DXHANDLE hConstant) override {
    const Entry *e = Find(hConstant);
    return e && e->desc.RegisterSet == D3DXRS_SAMPLER ? e->desc.RegisterIndex
                                                      : static_cast<UINT>(-1);
  }

  STDMETHODIMP_(D3DXHANDLE) GetConstant(D3DXHANDLE hConstant, UINT Index) override {
    if (!hConstant) return Index < top.size() ? top[Index]->handleName.c_str() : nullptr;
    const Entry *e = Find(hConstant);
    return e && Index < e->members.size() ? e->members[Index]->handleName.c_str() : nullptr;
  }

  STDMETHODIMP_(D3DXHANDLE) GetConstantByName(D3DXHANDLE hConstant, LPCSTR pName) override {
    if (!pName) return nullptr;
    if (!hConstant) {
      const Entry *e = Find(pName);
      return e ? e->handleName.c_str() : nullptr;
    }
    const Entry *parent = Find(hConstant);
    if (!parent) return nullptr;
    for (const Entry *m : parent->members)
      if (std::strcmp(m->desc.Name, pName) == 0) return m->handleName.c_str();
    return nullptr;
  }

  STDMETHODIMP_(D3DXHANDLE) GetConstantElement(D3DXHANDLE hConstant, UINT Index) override {
    const Entry *e = Find(hConstant);
    if (!e) return nullptr;
    if (e->elements.empty()) return Index == 0 ? e->handleName.c_str() : nullptr;
    return Index < e->elements.size() ? e->elements[Index]->handleName.c_str() : nullptr;
  }

  STDMETHODIMP SetDefaults(IDirect3DDevice9 *pDevice) override {
    if (!pDevice) return D3DERR_INVALIDCALL;
    for (const Entry *e : top) {
      if (!e->desc.DefaultValue || e->desc.RegisterSet != D3DXRS_FLOAT4) continue;
      const HRESULT hr =
          WriteRegisters(pDevice, e->desc.RegisterIndex,
                         static_cast<const float *>(e->desc.DefaultValue), e->desc.RegisterCount);
      if (FAILED(hr)) return hr;
    }
    return D3D_OK;
  }

  STDMETHODIMP SetValue(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, LPCVOID pData,
                        UINT Bytes) override {
    const Entry *e = Find(hConstant);
    if (!e || !pData || Bytes < e->desc.Bytes) return D3DERR_INVALIDCALL;
    std::vector<float> values(e->desc.Bytes / 4);
    if (!values.empty()) std::memcpy(values.data(), pData, values.size() * 4);
    if (e->desc.Type == D3DXPT_INT || e->desc.Type == D3DXPT_BOOL)
      for (float &v : values) {
        int32_t i;
        std::memcpy(&i, &v, 4);
        v = static_cast<float>(i);
      }
    return SetFloats(pDevice, hConstant, values.data(), static_cast<UINT>(values.size()));
  }
  STDMETHODIMP SetBool(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, BOOL b) override {
    return SetBoolArray(pDevice, hConstant, &b, 1);
  }
  STDMETHODIMP SetBoolArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const BOOL *pb,
                            UINT Count) override {
    if (!pb) return D3DERR_INVALIDCALL;
    std::vector<float> values(Count);
    for (UINT i = 0; i < Count; ++i) values[i] = pb[i] ? 1.0f : 0.0f;
    return SetFloats(pDevice, hConstant, values.data(), Count);
  }
  STDMETHODIMP SetInt(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, INT n) override {
    return SetIntArray(pDevice, hConstant, &n, 1);
  }
  STDMETHODIMP SetIntArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const INT *pn,
                           UINT Count) override {
    if (!pn) return D3DERR_INVALIDCALL;
    std::vector<float> values(Count);
    for (UINT i = 0; i < Count; ++i) values[i] = static_cast<float>(pn[i]);
    return SetFloats(pDevice, hConstant, values.data(), Count);
  }
  STDMETHODIMP SetFloat(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, FLOAT f) override {
    return SetFloats(pDevice, hConstant, &f, 1);
  }
  STDMETHODIMP SetFloatArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant, const FLOAT *pf,
                             UINT Count) override {
    if (!pf) return D3DERR_INVALIDCALL;
    return SetFloats(pDevice, hConstant, pf, Count);
  }
  STDMETHODIMP SetVector(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                         const D3DXVECTOR4 *pVector) override {
    return SetVectorArray(pDevice, hConstant, pVector, 1);
  }
  STDMETHODIMP SetVectorArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                              const D3DXVECTOR4 *pVector, UINT Count) override {
    if (!pVector) return D3DERR_INVALIDCALL;
    return SetElements(pDevice, hConstant, Count, [&](UINT e, UINT r, UINT c) {
      const UINT i = r * 4 + c; // a vector fills the rows of a matrix one after the other
      return i < 4 ? (&pVector[e].x)[i] : 0.0f;
    });
  }
  STDMETHODIMP SetMatrix(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                         const D3DXMATRIX *pMatrix) override {
    return SetMatrixArray(pDevice, hConstant, pMatrix, 1);
  }
  STDMETHODIMP SetMatrixArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                              const D3DXMATRIX *pMatrix, UINT Count) override {
    if (!pMatrix) return D3DERR_INVALIDCALL;
    return SetElements(pDevice, hConstant, Count,
                       [&](UINT e, UINT r, UINT c) { return pMatrix[e].m[r][c]; });
  }
  STDMETHODIMP SetMatrixPointerArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                                     const D3DXMATRIX **ppMatrix, UINT Count) override {
    if (!ppMatrix) return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < Count; ++i)
      if (!ppMatrix[i]) return D3DERR_INVALIDCALL;
    return SetElements(pDevice, hConstant, Count,
                       [&](UINT e, UINT r, UINT c) { return ppMatrix[e]->m[r][c]; });
  }
  STDMETHODIMP SetMatrixTranspose(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                                  const D3DXMATRIX *pMatrix) override {
    return SetMatrixTransposeArray(pDevice, hConstant, pMatrix, 1);
  }
  STDMETHODIMP SetMatrixTransposeArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                                       const D3DXMATRIX *pMatrix, UINT Count) override {
    if (!pMatrix) return D3DERR_INVALIDCALL;
    return SetElements(pDevice, hConstant, Count,
                       [&](UINT e, UINT r, UINT c) { return pMatrix[e].m[c][r]; });
  }
  STDMETHODIMP SetMatrixTransposePointerArray(IDirect3DDevice9 *pDevice, D3DXHANDLE hConstant,
                                              const D3DXMATRIX **ppMatrix, UINT Count) override {
    if (!ppMatrix) return D3DERR_INVALIDCALL;
    for (UINT i = 0; i < Count; ++i)
      if (!ppMatrix[i]) return D3DERR_INVALIDCALL;
    return SetElements(pDevice, hConstant, Count,
                       [&](UINT e, UINT r, UINT c) { return ppMatrix[e]->m[c][r]; });
  }

private:
  ConstantTable() = default;
  ~ConstantTable() = default;

  bool IsPixelShader() const { return (model.version & 0xFFFF0000u) == 0xFFFF0000u; }

  Entry *Add(std::string handleName, const std::string &name, const ConstantType &type,
             uint16_t set, UINT index, UINT count, const float *defaults) {
    Entry &e = entries.emplace_back();
    e.handleName = std::move(handleName);
    names.push_back(name);
    e.desc.Name = names.back().c_str();
    e.desc.RegisterSet = static_cast<D3DXREGISTER_SET>(set);
    e.desc.RegisterIndex = index;
    e.desc.RegisterCount = count;
    e.desc.Class = static_cast<D3DXPARAMETER_CLASS>(type.parameterClass);
    e.desc.Type = static_cast<D3DXPARAMETER_TYPE>(type.parameterType);
    e.desc.Rows = type.rows;
    e.desc.Columns = type.columns;
    e.desc.Elements = type.elements;
    e.desc.StructMembers = static_cast<UINT>(type.members.size());
    e.desc.Bytes = BytesOf(type);
    e.desc.DefaultValue = defaults;
    return &e;
  }

  // Elements and members get entries of their own, with registers laid out in order and
  // clipped to what the shader uses. A damaged table could claim arrays of arrays of structs
  // without end: the entries are bounded.
  bool Expand(Entry *entry, const ConstantType &type, uint16_t set, int depth) {
    if (depth > 8 || entries.size() > kMaxEntries) return false;
    const UINT end = entry->desc.RegisterIndex + entry->desc.RegisterCount;
    const auto clipped = [&](UINT index, UINT count) {
      return index >= end ? 0 : std::min(count, end - index);
    };
    if (type.elements > 1) {
      ConstantType one = type;
      one.elements = 1;
      const UINT per = RegistersOf(one, set);
      for (UINT i = 0; i < type.elements; ++i) {
        const UINT index = entry->desc.RegisterIndex + i * per;
        Entry *element = Add(entry->handleName + "[" + std::to_string(i) + "]", entry->desc.Name,
                             one, set, index, clipped(index, per), nullptr);
        entry->elements.push_back(element);
        if (!Expand(element, one, set, depth + 1)) return false;
      }
      return true;
    }
    UINT index = entry->desc.RegisterIndex;
    for (const ConstantMember &m : type.members) {
      const UINT count = RegistersOf(m.type, set);
      Entry *member = Add(entry->handleName + "." + m.name, m.name, m.type, set, index,
                          clipped(index, count), nullptr);
      entry->members.push_back(member);
      if (!Expand(member, m.type, set, depth + 1)) return false;
      index += count;
    }
    return true;
  }

  bool Build() {
    for (const ConstantEntry &c : model.constants) {
      Entry *e = Add(c.name, c.name, c.type, c.registerSet, c.registerIndex, c.registerCount,
                     c.defaultValue.empty() ? nullptr : c.defaultValue.data());
      top.push_back(e);
      if (!Expand(e, c.type, c.registerSet, 0)) return false;
    }
    return true;
  }

  Entry *Find(D3DXHANDLE handle) {
    if (!handle) return nullptr;
    for (Entry &e : entries)
      if (e.handleName.c_str() == handle) return &e;
    for (Entry &e : entries)
      if (e.handleName == handle) return &e;
    return nullptr;
  }

  HRESULT WriteRegisters(IDirect3DDevice9 *device, UINT index, const float *values, UINT count) {
    return IsPixelShader() ? device->SetPixelShaderConstantF(index, values, count)
                           : device->SetVertexShaderConstantF(index, values, count);
  }

  // Writes `count` elements of the constant, element e's value at row r, column c being
  // value(e, r, c); each register gets its four lanes, zero where the constant has none.
  template <typename Value>
  HRESULT SetElements(IDirect3DDevice9 *device, D3DXHANDLE handle, UINT count, Value value) {
    Entry *e = Find(handle);
    if (!device || !e || e->desc.Class == D3DXPC_OBJECT || e->desc.Class == D3DXPC_STRUCT)
      return D3DERR_INVALIDCALL;
    const D3DXCONSTANT_DESC &d = e->desc;
    const UINT elements = std::min<UINT>(count, std::max<UINT>(1, d.Elements));
    const bool columns = d.Class == D3DXPC_MATRIX_COLUMNS;
    const UINT perElement = d.Class == D3DXPC_MATRIX_ROWS ? d.Rows : columns ? d.Columns : 1;
    for (UINT el = 0; el < elements; ++el)
      for (UINT reg = 0; reg < perElement; ++reg) {
        const UINT at = d.RegisterIndex + el * perElement + reg;
        if (at >= d.RegisterIndex + d.RegisterCount) return D3D_OK;
        float lanes[4] = {0, 0, 0, 0};
        if (columns) {
          for (UINT r = 0; r < d.Rows && r < 4; ++r) lanes[r] = value(el, r, reg);
        } else {
          for (UINT c = 0; c < d.Columns && c < 4; ++c) lanes[c] = value(el, reg, c);
        }
        HRESULT hr;
        if (d.RegisterSet == D3DXRS_FLOAT4) {
          hr = WriteRegisters(device, at, lanes, 1);
        } else if (d.RegisterSet == D3DXRS_INT4) {
          const int ints[4] = {static_cast<int>(lanes[0]), static_cast<int>(lanes[1]),
                               static_cast<int>(lanes[2]), static_cast<int>(lanes[3])};
          hr = IsPixelShader() ? device->SetPixelShaderConstantI(at, ints, 1)
                               : device->SetVertexShaderConstantI(at, ints, 1);
        } else if (d.RegisterSet == D3DXRS_BOOL) {
          const BOOL b = lanes[0] != 0.0f;
          hr = IsPixelShader() ? device->SetPixelShaderConstantB(at, &b, 1)
                               : device->SetVertexShaderConstantB(at, &b, 1);
        } else {
          return D3DERR_INVALIDCALL;
        }
        if (FAILED(hr)) return hr;
      }
    return D3D_OK;
  }

  // Values in the constant's own order (element by element, row by row); what is missing
  // at the end counts as zero.
  HRESULT SetFloats(IDirect3DDevice9 *device, D3DXHANDLE handle, const float *values, UINT count) {
    const Entry *e = Find(handle);
    if (!e) return D3DERR_INVALIDCALL;
    const UINT perElement = std::max<UINT>(1, e->desc.Rows * e->desc.Columns);
    const UINT elements = (count + perElement - 1) / perElement;
    return SetElements(device, handle, std::max<UINT>(1, elements), [&](UINT el, UINT r, UINT c) {
      const UINT i = el * perElement + r * e->desc.Columns + c;
      return i < count ? values[i] : 0.0f;
    });
  }

  std::atomic<ULONG> refs{1};
  std::vector<uint8_t> bytes;
  ConstantTableModel model;
  std::deque<Entry> entries;
  std::deque<std::string> names;
  std::vector<Entry *> top;
};

} // namespace

HRESULT CreateConstantTable(const uint8_t *bytes, size_t size, ID3DXConstantTable **table) {
  if (!table) return D3DERR_INVALIDCALL;
  *table = nullptr;
  if (!bytes && size) return D3DERR_INVALIDCALL;
  return ConstantTable::Create(bytes, size, table);
}

} // namespace zrq::d3dx9
