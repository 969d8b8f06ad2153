// The numeric side of VARIANT conversion, shared by VariantChangeType and the arithmetic:
// a value read out of a VARIANT into one of four exact forms, and written back into a
// target type with that type's range checks.
#pragma once

#include <oaidl.h>

#include <cstdint>

namespace zrq::ole {

struct Number {
  // Currency is kept as its count of ten-thousandths, so that it converts exactly.
  enum class Kind { Signed, Unsigned, Real, Currency };
  Kind kind = Kind::Signed;
  int64_t s = 0; // Signed, and Currency's ten-thousandths
  uint64_t u = 0;
  double r = 0.0;

  static Number FromSigned(int64_t v) { return {Kind::Signed, v, 0, 0.0}; }
  static Number FromUnsigned(uint64_t v) { return {Kind::Unsigned, 0, v, 0.0}; }
  static Number FromReal(double v) { return {Kind::Real, 0, 0, v}; }
  static Number FromCurrency(int64_t units) { return {Kind::Currency, units, 0, 0.0}; }
  double AsDouble() const;
  bool IsZero() const;
};

// True for the types that hold a number: BOOL, the integers, R4, R8, CY and DATE.
bool IsNumericType(VARTYPE vt);
// True for I1 to UI8, INT and UINT.
bool IsIntegerType(VARTYPE vt);
// The size in bytes of an integer type's value.
size_t IntegerSize(VARTYPE vt);

// Reads the value of a numeric VARIANT (IsNumericType(v.vt) must hold). BOOL reads as its
// stored value, so VARIANT_TRUE is -1.
Number ReadNumber(const VARIANT &v);

// Writes n as a value of the numeric type vt into out (vt and the value only). Integers round
// half to even; a value that does not fit gives DISP_E_OVERFLOW and leaves out alone.
HRESULT StoreNumber(const Number &n, VARTYPE vt, VARIANT *out);

// The currency (ten-thousandths) nearest to d, half to even, computed from d's exact binary
// value; DISP_E_OVERFLOW for NaN and for values beyond the currency range.
HRESULT CurrencyFromDouble(double d, int64_t *units);

double RoundHalfToEven(double x);

} // namespace zrq::ole
