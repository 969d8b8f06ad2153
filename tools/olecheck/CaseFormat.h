// The canonical text of statuses, types and values that the case tables print. The same
// source builds against this platform and against the Windows SDK (mingw-w64), so a line
// written by one can be compared with a line written by the other character for character.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>
#include <vector>

namespace olecheck {

using Lines = std::vector<std::string>;

// "0x80020005 DISP_E_TYPEMISMATCH"; statuses without a short name are the hex alone.
std::string StatusText(HRESULT hr);
// "I4", "UI1", "I4|BYREF"; a number for a type without a name.
std::string VarTypeName(VARTYPE vt);
// A type and its value: "R8 2.5", "CY 1.5000", "BSTR \"abc\"", "EMPTY". Floating-point values
// are written in the shortest form that reads back to the same bits.
std::string DescribeVariant(const VARIANT &v);
// The characters between quotes: printable ASCII as it is, everything else as \uXXXX.
std::string QuoteText(const OLECHAR *text, size_t length);
std::string QuoteText(std::u16string_view text);
std::string DescribeDouble(double value);
std::string DescribeFloat(float value);

// A BSTR of text, which may hold NULs.
BSTR MakeBstr(std::u16string_view text);

} // namespace olecheck
