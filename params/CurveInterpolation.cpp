#include "params/CurveInterpolation.h"

void NaturalSplineSecondDerivatives(const double *x, const double *y, size_t n, double *y2,
                                    double *w) {
  for (size_t i = 0; i < n; ++i) y2[i] = w[i] = 0.0;
  if (n < 2) return;
  for (size_t i = 1; i + 1 < n; ++i) {
    const double s = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
    const double p = s * y2[i - 1] + 2.0;
    y2[i] = (s - 1.0) / p;
    const double d = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
    w[i] = (6.0 * d / (x[i + 1] - x[i - 1]) - s * w[i - 1]) / p;
  }
  y2[n - 1] = 0.0;
  for (size_t k = n - 1; k-- > 0;) y2[k] = y2[k] * y2[k + 1] + w[k];
}

double EvaluateCurve(const double *x, const double *y, const double *y2, size_t n, double t) {
  size_t lo = 0;
  size_t hi = n - 1;
  while (hi - lo > 1) {
    const size_t mid = (hi + lo) / 2;
    if (t < x[mid])
      hi = mid;
    else
      lo = mid;
  }
  const double h = x[hi] - x[lo];
  if (h == 0.0) return y[0];
  const double a = (x[hi] - t) / h;
  const double b = (t - x[lo]) / h;
  return a * y[lo] + b * y[hi] +
         ((a * a * a - a) * y2[lo] + (b * b * b - b) * y2[hi]) * (h * h) / 6.0;
}
