#include "render/software/WaveTables.h"

#include <cmath>
#include <new>

HRESULT BuildWaveTables(std::unique_ptr<signed char[]> &sineTable,
                        std::unique_ptr<signed char[]> &cosineTable) {
  if (sineTable) return S_OK;
  std::unique_ptr<signed char[]> sine(new (std::nothrow) signed char[kWaveTableSize]);
  std::unique_ptr<signed char[]> cosine(new (std::nothrow) signed char[kWaveTableSize]);
  if (!sine || !cosine) return E_OUTOFMEMORY;
  for (int i = 0; i < kWaveTableSize; ++i) {
    // 6.2831855 is two pi as a single-precision constant; 128 x sin stays within +-127.
    sine[i] = static_cast<signed char>(int(128.0 * std::sin(i * 6.2831854820251465 / 256.0)));
    cosine[(i + 192) % kWaveTableSize] = sine[i];
  }
  sineTable = std::move(sine);
  cosineTable = std::move(cosine);
  return S_OK;
}
