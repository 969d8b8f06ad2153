// Rounds to the nearest integer, halves away from zero: 12.5 gives 13, -12.5 gives -13.
#pragma once

#include <wtypes.h>

// Values beyond the 32-bit range give its nearest end, and NaN gives 0, so a stored time of
// any size converts without undefined behaviour.
LONG NearestInteger(double x) noexcept;
