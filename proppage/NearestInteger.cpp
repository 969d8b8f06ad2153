#include "proppage/NearestInteger.h"

#include <cmath>
#include <cstdint>

LONG NearestInteger(double x) noexcept {
  if (std::isnan(x)) return 0;
  double whole = std::trunc(x);
  const double fraction = x - whole;
  if (fraction >= 0.5) whole += 1.0;
  if (fraction <= -0.5) whole -= 1.0;
  if (whole >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  if (whole <= static_cast<double>(INT32_MIN)) return INT32_MIN;
  return static_cast<LONG>(whole);
}
