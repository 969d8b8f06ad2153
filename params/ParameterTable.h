// The ordered table of parameter records. Records are only ever appended; a lookup by id
// takes the first record with that id. The table takes no lock: its owner serialises it.
#pragma once

#include <vector>

#include "params/IParameterTable.h"
#include "params/ParameterRecord.h"

class ParameterTable final : public IParameterTable {
public:
  // The table lives inside its owner and has no lifetime of its own. Inside an owner that
  // is a COM object, its IUnknown is the owner's, so a reference to the table keeps the
  // owner alive and a query reaches the owner's interfaces; alone, the counts are fixed.
  STDMETHODIMP QueryInterface(REFIID riid, void **ppvObject) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner != nullptr ? owner->AddRef() : 1; }
  STDMETHODIMP_(ULONG) Release() override { return owner != nullptr ? owner->Release() : 1; }
  void SetOwner(IUnknown *outer) noexcept { owner = outer; }

  STDMETHODIMP GetCount(ULONG *count) override;
  STDMETHODIMP GetValue(LONG id, VARIANT *value) override;
  STDMETHODIMP GetType(LONG id, VARTYPE *vt) override;
  STDMETHODIMP GetName(LONG id, BSTR *name) override;
  STDMETHODIMP GetDescription(LONG id, BSTR *desc) override;
  STDMETHODIMP GetRange(LONG id, VARIANT *valueMin, VARIANT *valueMax) override;
  STDMETHODIMP GetUsage(LONG id, LONG *usage) override;
  STDMETHODIMP GetDefault(LONG id, VARIANT *valueDef) override;

  HRESULT GetParameterId(ULONG index, LONG *id) const;
  // Every output is optional. An unknown id, or no memory for the strings, writes nothing.
  HRESULT GetParameterInfo(LONG id, VARIANT *value, VARIANT *valueMin, VARIANT *valueMax,
                           VARIANT *valueDef, BSTR *name, BSTR *desc, LONG *usage) const;
  // Replaces the value when the new one has the stored value's type; no range is applied.
  HRESULT SetValue(LONG id, const VARIANT &value);
  // Appends without looking for the id: callers check it first.
  HRESULT AddParameter(LONG id, const VARIANT &value, const VARIANT &valueMin,
                       const VARIANT &valueMax, const VARIANT &valueDef, LPCOLESTR name,
                       LPCOLESTR desc, LONG usage) noexcept;
  HRESULT Append(const ParameterRecord &record) noexcept;

  ParameterRecord *Find(LONG id) noexcept;
  const ParameterRecord *Find(LONG id) const noexcept;
  std::vector<ParameterRecord> &Records() noexcept { return records; }
  const std::vector<ParameterRecord> &Records() const noexcept { return records; }

private:
  std::vector<ParameterRecord> records;
  IUnknown *owner = nullptr;
};
