#include "params/ParameterTable.h"

#include <new>

#include "params/ValueHandOut.h"

STDMETHODIMP ParameterTable::QueryInterface(REFIID riid, void **ppvObject) {
  if (ppvObject == nullptr) return E_POINTER;
  if (owner != nullptr) return owner->QueryInterface(riid, ppvObject);
  if (riid == IID_IUnknown || riid == IID_IParameterTable) {
    *ppvObject = static_cast<IParameterTable *>(this);
    return S_OK;
  }
  *ppvObject = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ParameterTable::GetCount(ULONG *count) {
  if (count == nullptr) return E_POINTER;
  *count = static_cast<ULONG>(records.size());
  return S_OK;
}

STDMETHODIMP ParameterTable::GetValue(LONG id, VARIANT *value) {
  if (value == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  HandOutValue(record->Value, value);
  return S_OK;
}

STDMETHODIMP ParameterTable::GetType(LONG id, VARTYPE *vt) {
  if (vt == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  *vt = record->Value.vt;
  return S_OK;
}

STDMETHODIMP ParameterTable::GetName(LONG id, BSTR *name) {
  if (name == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  return record->Name.CopyTo(name);
}

STDMETHODIMP ParameterTable::GetDescription(LONG id, BSTR *desc) {
  if (desc == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  return record->Desc.CopyTo(desc);
}

STDMETHODIMP ParameterTable::GetRange(LONG id, VARIANT *valueMin, VARIANT *valueMax) {
  if (valueMin == nullptr || valueMax == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  HandOutValue(record->ValueMin, valueMin);
  HandOutValue(record->ValueMax, valueMax);
  return S_OK;
}

STDMETHODIMP ParameterTable::GetUsage(LONG id, LONG *usage) {
  if (usage == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  *usage = record->Usage;
  return S_OK;
}

STDMETHODIMP ParameterTable::GetDefault(LONG id, VARIANT *valueDef) {
  if (valueDef == nullptr) return E_POINTER;
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  HandOutValue(record->ValueDef, valueDef);
  return S_OK;
}

HRESULT ParameterTable::GetParameterId(ULONG index, LONG *id) const {
  if (id == nullptr) return E_POINTER;
  if (index >= records.size()) return E_INVALIDARG;
  *id = records[index].ParamID;
  return S_OK;
}

HRESULT ParameterTable::GetParameterInfo(LONG id, VARIANT *value, VARIANT *valueMin,
                                         VARIANT *valueMax, VARIANT *valueDef, BSTR *name,
                                         BSTR *desc, LONG *usage) const {
  const ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  // The strings are copied first, so that a failure leaves every output as it was.
  BSTR nameCopy = nullptr;
  BSTR descCopy = nullptr;
  if (name != nullptr && FAILED(record->Name.CopyTo(&nameCopy))) return E_OUTOFMEMORY;
  if (desc != nullptr && FAILED(record->Desc.CopyTo(&descCopy))) {
    SysFreeString(nameCopy);
    return E_OUTOFMEMORY;
  }
  if (value != nullptr) HandOutValue(record->Value, value);
  if (valueMin != nullptr) HandOutValue(record->ValueMin, valueMin);
  if (valueMax != nullptr) HandOutValue(record->ValueMax, valueMax);
  if (valueDef != nullptr) HandOutValue(record->ValueDef, valueDef);
  if (name != nullptr) *name = nameCopy;
  if (desc != nullptr) *desc = descCopy;
  if (usage != nullptr) *usage = record->Usage;
  return S_OK;
}

HRESULT ParameterTable::SetValue(LONG id, const VARIANT &value) {
  ParameterRecord *record = Find(id);
  if (record == nullptr) return E_INVALIDARG;
  if (record->Value.vt != value.vt) return E_INVALIDARG;
  record->Value.Assign(value);
  return S_OK;
}

HRESULT ParameterTable::AddParameter(LONG id, const VARIANT &value, const VARIANT &valueMin,
                                     const VARIANT &valueMax, const VARIANT &valueDef,
                                     LPCOLESTR name, LPCOLESTR desc, LONG usage) noexcept {
  ParameterRecord record;
  const HRESULT hr =
      ParameterRecord::Create(id, value, valueMin, valueMax, valueDef, name, desc, usage, &record);
  if (FAILED(hr)) return hr;
  try {
    records.push_back(std::move(record));
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT ParameterTable::Append(const ParameterRecord &record) noexcept {
  try {
    records.push_back(record);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

ParameterRecord *ParameterTable::Find(LONG id) noexcept {
  for (ParameterRecord &record : records)
    if (record.ParamID == id) return &record;
  return nullptr;
}

const ParameterRecord *ParameterTable::Find(LONG id) const noexcept {
  for (const ParameterRecord &record : records)
    if (record.ParamID == id) return &record;
  return nullptr;
}
