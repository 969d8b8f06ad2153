#include "params/ParameterRecord.h"

HRESULT ParameterRecord::Create(LONG id, const VARIANT &value, const VARIANT &valueMin,
                                const VARIANT &valueMax, const VARIANT &valueDef, LPCOLESTR name,
                                LPCOLESTR desc, LONG usage, ParameterRecord *out) noexcept {
  if (out == nullptr) return E_POINTER;
  SharedString nameCopy;
  SharedString descCopy;
  HRESULT hr = SharedString::Create(name, &nameCopy);
  if (SUCCEEDED(hr)) hr = SharedString::Create(desc, &descCopy);
  if (FAILED(hr)) return hr;
  out->ParamID = id;
  out->Value.Assign(value);
  out->ValueMin.Assign(valueMin);
  out->ValueMax.Assign(valueMax);
  out->ValueDef.Assign(valueDef);
  out->Name = std::move(nameCopy);
  out->Desc = std::move(descCopy);
  out->Usage = usage;
  return S_OK;
}
