// Which vector instructions the routines may use, decided once per process.
#pragma once

// True when the processor has AVX2 and the vector paths have not been switched off.
bool UseAvx2();

// Switches the vector paths off (or back on), so the plain paths can be exercised on any
// machine; results are the same either way.
void SetVectorPathsEnabled(bool enabled);
