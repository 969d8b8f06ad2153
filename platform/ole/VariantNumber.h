// The numeric side of VARIANT conversion, shared by VariantChangeType and the arithmetic:
// a value read out of a VARIANT into one of three exact forms, written back into a target
// type with range checks, and read from or written as text in the C locale.
#pragma once

#include <oaidl.h>

#include <cstdint>

namespace zrq::ole {

struct Number {
  enum class Kind { Signed, Unsigned, Real };
  Kind kind = Kind::Signed;
  int64_t s = 0;
  uint64_t u = 0;
  double r = 0.0;

  static Number FromSigned(int64_t v) { return {Kind::Signed, v, 0, 0.0}; }
  static Number FromUnsigned(uint64_t v) { return {Kind::Unsigned, 0, v, 0.0}; }
  static Number FromReal(double v) { return {Kind::Real, 0, 0, v}; }
  double AsDouble() const;
};

// True for the types that hold a number: BOOL, the integers, R4, R8, CY and DATE.
bool IsNumericType(VARTYPE vt);

// Reads the value of a numeric VARIANT (IsNumericType(v.vt) must hold). BOOL reads as its
// stored value, so VARIANT_TRUE is -1.
Number ReadNumber(const VARIANT &v);

// Writes n as a value of the numeric type vt into out (vt and the value only). Integers round
// half to even; a value that does not fit gives DISP_E_OVERFLOW and leaves out alone.
HRESULT StoreNumber(const Number &n, VARTYPE vt, VARIANT *out);

// Reads a number from text: surrounding blanks allowed, a full stop as decimal separator, an
// optional exponent. Integer text stays exact. DISP_E_TYPEMISMATCH when it is not a number,
// DISP_E_OVERFLOW when it is beyond a double.
HRESULT ParseNumber(const OLECHAR *text, size_t length, Number *out);

// Writes the numeric VARIANT v as text: integers in decimal, R8 in the shortest form that
// reads back to the same double, R4 in the shortest form for a float.
HRESULT FormatNumber(const VARIANT &v, BSTR *out);

double RoundHalfToEven(double x);

}  // namespace zrq::ole
