// Numbers written as text the way OLE Automation writes them, in the C locale whatever the
// process locale: integers in decimal, R4 with 7 and R8 with 15 significant digits (in
// exponent form, E+09, when the exponent is below -4 or reaches the precision), currency
// with the decimals it needs.
#pragma once

#include <oaidl.h>

#include <string>

namespace zrq::ole {

// The text of the numeric VARIANT v (not DATE) into *out; E_OUTOFMEMORY when no BSTR can be had.
HRESULT FormatNumber(const VARIANT &v, BSTR *out);

// value with the given significant digits, as printf's %G writes it but never "-0".
std::string FormatReal(double value, int precision);

} // namespace zrq::ole
