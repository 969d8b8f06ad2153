// The curve through a parameter's key frames: a natural cubic spline, or straight lines
// between neighbours when every second derivative is zero. Points are (x[i], y[i]).
#pragma once

#include <cstddef>

// Second derivatives of the natural spline (zero at both ends), by the tridiagonal sweep;
// w is scratch of n entries. Fewer than three points give all zeros.
void NaturalSplineSecondDerivatives(const double *x, const double *y, size_t n, double *y2,
                                    double *w);

// The curve at t, from the interval that bisection over x finds; outside the first and last
// point the end interval's curve goes on. A zero-width interval gives y[0].
double EvaluateCurve(const double *x, const double *y, const double *y2, size_t n, double t);
