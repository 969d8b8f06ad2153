#include "effect/EffectParameterTable.h"

#include <atlcomcli.h>

#include <array>

namespace {

struct BuiltRecords {
  HRESULT status = S_OK;
  std::array<ParameterRecord, 4> records;
  SharedString rootName;

  BuiltRecords() {
    struct Part {
      LONG id;
      CComVariant value, valueMin, valueMax, valueDef;
      LPCOLESTR name, desc;
      LONG usage;
    };
    const Part parts[] = {
        {InputsParameter, LONG{1}, LONG{1}, LONG{1}, LONG{1}, u"Inputs", u"number of inputs", 0},
        {EffectIdParameter, LONG{2002}, LONG{0}, LONG{0}, LONG{2002}, u"Effect ID", u"Effect ID",
         0},
        {EffectValueParameter, SHORT{50}, SHORT{0}, SHORT{100}, SHORT{50}, u"Effect Value",
         u"Effect Value", 1},
        {CurrentTimeParameter, 0.0, 0.0, 100.0, 0.0, u"Current Time", u"Current Time", 1},
    };
    for (size_t i = 0; i < records.size() && SUCCEEDED(status); ++i) {
      const Part &p = parts[i];
      status = ParameterRecord::Create(p.id, p.value, p.valueMin, p.valueMax, p.valueDef, p.name,
                                       p.desc, p.usage, &records[i]);
    }
    if (SUCCEEDED(status)) status = SharedString::Create(u"", &rootName);
  }
};

const BuiltRecords &Built() {
  static const BuiltRecords built;
  return built;
}

} // namespace

HRESULT GetEffectParameterRecords(std::span<const ParameterRecord> *records) {
  if (records == nullptr) return E_POINTER;
  const BuiltRecords &built = Built();
  if (FAILED(built.status)) return built.status;
  *records = built.records;
  return S_OK;
}

HRESULT RegisterEffectParameters(EffectParameters &parameters) {
  const BuiltRecords &built = Built();
  if (FAILED(built.status)) return built.status;
  return parameters.InitializeParameters(built.rootName, built.records.data(),
                                         static_cast<ULONG>(built.records.size()));
}
