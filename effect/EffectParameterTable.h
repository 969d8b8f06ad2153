// The effect's four parameters and their registration into a new effect's parameter set.
#pragma once

#include <span>

#include "params/EffectParameters.h"

enum EffectParameterId : LONG {
  EffectIdParameter = 0,
  CurrentTimeParameter = 20,
  EffectValueParameter = 21,
  InputsParameter = 1000,
};

// The records in registration order: "Inputs", "Effect ID", "Effect Value", "Current Time".
// Built once per loaded module and only read afterwards; E_OUTOFMEMORY when they could not
// be built.
HRESULT GetEffectParameterRecords(std::span<const ParameterRecord> *records);

// Gives the parameter set the empty root element name and the four records, keeping any
// parameter it already holds with the same id.
HRESULT RegisterEffectParameters(EffectParameters &parameters);
