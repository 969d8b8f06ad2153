#include "effect/EffectParameterTable.h"

#include <array>

namespace {

VARIANT MakeI4(LONG v) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = v;
  return value;
}

VARIANT MakeI2(SHORT v) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I2;
  value.iVal = v;
  return value;
}

VARIANT MakeR8(double v) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R8;
  value.dblVal = v;
  return value;
}

struct BuiltRecords {
  HRESULT status = S_OK;
  std::array<ParameterRecord, 4> records;
  SharedString rootName;

  BuiltRecords() {
    struct Part {
      LONG id;
      VARIANT value, valueMin, valueMax, valueDef;
      LPCOLESTR name, desc;
      LONG usage;
    };
    const Part parts[] = {
        {InputsParameter, MakeI4(1), MakeI4(1), MakeI4(1), MakeI4(1), u"Inputs", u"number of inputs", 0},
        {EffectIdParameter, MakeI4(2002), MakeI4(0), MakeI4(0), MakeI4(2002), u"Effect ID", u"Effect ID", 0},
        {EffectValueParameter, MakeI2(50), MakeI2(0), MakeI2(100), MakeI2(50), u"Effect Value", u"Effect Value", 1},
        {CurrentTimeParameter, MakeR8(0.0), MakeR8(0.0), MakeR8(100.0), MakeR8(0.0), u"Current Time", u"Current Time", 1},
    };
    for (size_t i = 0; i < records.size() && SUCCEEDED(status); ++i) {
      const Part &p = parts[i];
      status = ParameterRecord::Create(p.id, p.value, p.valueMin, p.valueMax, p.valueDef, p.name, p.desc, p.usage,
                                       &records[i]);
    }
    if (SUCCEEDED(status)) status = SharedString::Create(u"", &rootName);
  }
};

const BuiltRecords &Built() {
  static const BuiltRecords built;
  return built;
}

}  // namespace

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
  return parameters.InitializeParameters(built.rootName, built.records.data(), static_cast<ULONG>(built.records.size()));
}
