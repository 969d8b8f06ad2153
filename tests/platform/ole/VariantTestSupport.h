// Short constructors for VARIANTs in table-driven tests.
#pragma once

#include <atlcomcli.h>

#include <string>

inline CComVariant Typed(VARTYPE vt, double value) {
  CComVariant v;
  v.vt = vt;
  switch (vt) {
  case VT_I1:
    v.cVal = static_cast<CHAR>(value);
    break;
  case VT_UI1:
    v.bVal = static_cast<BYTE>(value);
    break;
  case VT_I2:
    v.iVal = static_cast<SHORT>(value);
    break;
  case VT_UI2:
    v.uiVal = static_cast<USHORT>(value);
    break;
  case VT_I4:
    v.lVal = static_cast<LONG>(value);
    break;
  case VT_UI4:
    v.ulVal = static_cast<ULONG>(value);
    break;
  case VT_INT:
    v.intVal = static_cast<INT>(value);
    break;
  case VT_UINT:
    v.uintVal = static_cast<UINT>(value);
    break;
  case VT_I8:
    v.llVal = static_cast<LONGLONG>(value);
    break;
  case VT_UI8:
    v.ullVal = static_cast<ULONGLONG>(value);
    break;
  case VT_R4:
    v.fltVal = static_cast<FLOAT>(value);
    break;
  case VT_R8:
    v.dblVal = value;
    break;
  case VT_DATE:
    v.date = value;
    break;
  case VT_BOOL:
    v.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    break;
  case VT_ERROR:
    v.scode = static_cast<SCODE>(value);
    break;
  case VT_CY:
    v.cyVal.int64 = static_cast<LONGLONG>(value * 10000);
    break;
  default:
    break;
  }
  return v;
}

inline CComVariant Text(const char *utf8) { return CComVariant(utf8); }

inline std::string TextOf(const VARIANT &v) {
  return v.vt == VT_BSTR ? ZrqToUtf8(v.bstrVal, SysStringLen(v.bstrVal))
                         : std::string("<not a BSTR>");
}

// The value of a numeric VARIANT as a double, for comparing results across types.
inline double NumberOf(const VARIANT &v) {
  CComVariant r8;
  if (FAILED(VariantChangeType(&r8, &v, 0, VT_R8))) return -12345.678;
  return r8.dblVal;
}
