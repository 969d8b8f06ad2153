// The wave's two 256-entry tables of signed bytes: one period of a sine scaled to +-127, and the
// same sine a quarter period ahead.
#pragma once

#include <windows.h>

#include <memory>

constexpr int kWaveTableSize = 256;

// Fills both tables when `sineTable` is still empty. Returns E_OUTOFMEMORY, leaving both empty,
// when they cannot be allocated.
HRESULT BuildWaveTables(std::unique_ptr<signed char[]> &sineTable,
                        std::unique_ptr<signed char[]> &cosineTable);
