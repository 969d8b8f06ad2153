#include "OleCases.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace olecheck {

namespace {

// The types a VARIANT carries here, in the order the lines list them.
const VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2,    VT_I4,   VT_R4,  VT_R8,  VT_CY,
                          VT_DATE,  VT_BSTR, VT_ERROR, VT_BOOL, VT_I1,  VT_UI1, VT_UI2,
                          VT_UI4,   VT_I8,   VT_UI8,   VT_INT,  VT_UINT};

// A VARIANT that owns what it holds, for the duration of one case.
class Value {
public:
  Value() { VariantInit(&v); }
  explicit Value(VARTYPE vt) : Value() { V_VT(&v) = vt; }
  Value(const Value &other) : Value() { VariantCopy(&v, &other.v); }
  Value &operator=(const Value &) = delete;
  ~Value() { VariantClear(&v); }
  // Mutable: some SDKs declare the source arguments without const.
  mutable VARIANT v;
};

Value Integer(VARTYPE vt, int64_t n) {
  Value value(vt);
  switch (vt) {
  case VT_I1:
    V_I1(&value.v) = static_cast<CHAR>(n);
    break;
  case VT_UI1:
    V_UI1(&value.v) = static_cast<BYTE>(n);
    break;
  case VT_I2:
    V_I2(&value.v) = static_cast<SHORT>(n);
    break;
  case VT_UI2:
    V_UI2(&value.v) = static_cast<USHORT>(n);
    break;
  case VT_I4:
    V_I4(&value.v) = static_cast<LONG>(n);
    break;
  case VT_UI4:
    V_UI4(&value.v) = static_cast<ULONG>(n);
    break;
  case VT_INT:
    V_INT(&value.v) = static_cast<INT>(n);
    break;
  case VT_UINT:
    V_UINT(&value.v) = static_cast<UINT>(n);
    break;
  case VT_I8:
    V_I8(&value.v) = n;
    break;
  case VT_UI8:
    V_UI8(&value.v) = static_cast<ULONGLONG>(n);
    break;
  case VT_BOOL:
    V_BOOL(&value.v) = static_cast<VARIANT_BOOL>(n);
    break;
  case VT_ERROR:
    V_ERROR(&value.v) = static_cast<SCODE>(n);
    break;
  case VT_CY:
    V_CY(&value.v).int64 = n;
    break;
  default:
    break;
  }
  return value;
}

Value Unsigned64(uint64_t n) {
  Value value(VT_UI8);
  V_UI8(&value.v) = n;
  return value;
}

Value Real(VARTYPE vt, double d) {
  Value value(vt);
  if (vt == VT_R4) V_R4(&value.v) = static_cast<float>(d);
  if (vt == VT_R8) V_R8(&value.v) = d;
  if (vt == VT_DATE) V_DATE(&value.v) = d;
  return value;
}

Value Text(std::u16string_view text) {
  Value value(VT_BSTR);
  V_BSTR(&value.v) = MakeBstr(text);
  return value;
}

// Integers at and one past the limits of every integer type, of currency and of dates.
const int64_t kIntegerEdges[] = {0,
                                 1,
                                 -1,
                                 2,
                                 127,
                                 128,
                                 -128,
                                 -129,
                                 255,
                                 256,
                                 32767,
                                 32768,
                                 -32768,
                                 -32769,
                                 65535,
                                 65536,
                                 -657435,
                                 -657434,
                                 2958465,
                                 2958466,
                                 2147483647,
                                 2147483648LL,
                                 -2147483647LL - 1,
                                 -2147483649LL,
                                 4294967295LL,
                                 4294967296LL,
                                 922337203685477LL,
                                 922337203685478LL,
                                 -922337203685477LL,
                                 -922337203685478LL,
                                 std::numeric_limits<int64_t>::max(),
                                 std::numeric_limits<int64_t>::min()};

bool Fits(VARTYPE vt, int64_t n) {
  switch (vt) {
  case VT_I1:
    return n >= INT8_MIN && n <= INT8_MAX;
  case VT_UI1:
    return n >= 0 && n <= UINT8_MAX;
  case VT_I2:
    return n >= INT16_MIN && n <= INT16_MAX;
  case VT_UI2:
    return n >= 0 && n <= UINT16_MAX;
  case VT_I4:
  case VT_INT:
    return n >= INT32_MIN && n <= INT32_MAX;
  case VT_UI4:
  case VT_UINT:
    return n >= 0 && n <= static_cast<int64_t>(UINT32_MAX);
  case VT_I8:
    return true;
  case VT_UI8:
    return n >= 0;
  default:
    return false;
  }
}

// Reals at the rounding edges and limits of every type, and the awkward ones: signed zero,
// denormals, infinities and NaN.
const double kRealEdges[] = {0.0,
                             -0.0,
                             0.5,
                             -0.5,
                             1.0,
                             -1.0,
                             1.5,
                             -1.5,
                             2.5,
                             -2.5,
                             0.49999999999999994,
                             0.1,
                             1.0 / 3.0,
                             127.49,
                             127.5,
                             128.0,
                             -128.5,
                             -128.51,
                             -129.0,
                             255.49,
                             255.5,
                             256.0,
                             -0.51,
                             32767.5,
                             32768.0,
                             -32768.5,
                             -32769.0,
                             65535.5,
                             65536.0,
                             -657435.0,
                             -657434.5,
                             2958465.5,
                             2958466.0,
                             2147483647.49,
                             2147483647.5,
                             2147483648.0,
                             -2147483648.5,
                             -2147483648.51,
                             -2147483649.0,
                             4294967295.5,
                             4294967296.0,
                             922337203685477.5,
                             922337203685478.0,
                             -922337203685477.5,
                             -922337203685478.0,
                             4611686018427386880.0,
                             4611686018427387904.0,
                             -4611686018427387904.0,
                             -4611686018427388928.0,
                             9223372036854774784.0,
                             9223372036854775808.0,
                             -9223372036854775808.0,
                             18446744073709551616.0,
                             16777216.0,
                             16777217.0,
                             123456789.0,
                             12345678.9,
                             100000.0,
                             1e15,
                             1e16,
                             1e21,
                             0.000123,
                             1.5e-5,
                             static_cast<double>(FLT_MAX),
                             3.4028235677973366e38,
                             1e39,
                             1e300,
                             DBL_MAX,
                             -DBL_MAX,
                             static_cast<double>(FLT_MIN),
                             1.401298464324817e-45,
                             1e-46,
                             DBL_MIN,
                             1e-310,
                             5e-324,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};

// Currency values in ten-thousandths.
const int64_t kCurrencyEdges[] = {0,
                                  1,
                                  -1,
                                  4999,
                                  5000,
                                  -5000,
                                  5001,
                                  10000,
                                  -10000,
                                  15000,
                                  -15000,
                                  25000,
                                  -25000,
                                  1275000,
                                  -1285000,
                                  2555000,
                                  327675000,
                                  -327685000,
                                  12345678,
                                  21474836475000LL,
                                  100000000000000LL,
                                  std::numeric_limits<int64_t>::max(),
                                  std::numeric_limits<int64_t>::min()};

// Texts as hosts and stored projects write numbers, and as they should not.
const std::u16string_view kTexts[] = {u"",
                                      u" ",
                                      u"0",
                                      u"1",
                                      u"-1",
                                      u"+1",
                                      u"+-1",
                                      u"--1",
                                      u"12",
                                      u"  12  ",
                                      u"\t12\r\n",
                                      u"1 2",
                                      u"12abc",
                                      u"abc",
                                      u"1.5",
                                      u"2.5",
                                      u"-2.5",
                                      u".5",
                                      u"5.",
                                      u"-.5",
                                      u".",
                                      u"1e3",
                                      u"1E3",
                                      u"1e+3",
                                      u"1e-3",
                                      u"1e",
                                      u"e3",
                                      u"1.5e1",
                                      u"1e400",
                                      u"1e-400",
                                      u"-1e400",
                                      u"0x10",
                                      u"&H10",
                                      u"&h1F",
                                      u"&HFF",
                                      u"&HFFFF",
                                      u"&HFFFFFFFF",
                                      u"&H80000000",
                                      u"&HFFFFFFFFFFFFFFFF",
                                      u"&H10000000000000000",
                                      u"&O17",
                                      u"&o777",
                                      u"&O8",
                                      u"&H",
                                      u"&Hg",
                                      u"-&H10",
                                      u"&H-10",
                                      u"(12)",
                                      u"(12",
                                      u"12)",
                                      u"12-",
                                      u"-12-",
                                      u"12+",
                                      u"+12-",
                                      u"( 12 )",
                                      u"(-12)",
                                      u"1,000",
                                      u"1,5",
                                      u",5",
                                      u"1,,2",
                                      u"1.000,5",
                                      std::u16string_view(u"1\0"
                                                          u"2",
                                                          3),
                                      std::u16string_view(u"\0"
                                                          u"1",
                                                          2),
                                      std::u16string_view(u"12\0"
                                                          u"abc",
                                                          6),
                                      u"9223372036854775807",
                                      u"9223372036854775808",
                                      u"18446744073709551615",
                                      u"18446744073709551616",
                                      u"-9223372036854775808",
                                      u"-9223372036854775809",
                                      u"2147483647",
                                      u"2147483648",
                                      u"-2147483649",
                                      u"4294967295",
                                      u"4294967296",
                                      u"127",
                                      u"128",
                                      u"-129",
                                      u"255",
                                      u"256",
                                      u"32767",
                                      u"32768",
                                      u"-32769",
                                      u"65535",
                                      u"65536",
                                      u"127.5",
                                      u"255.5",
                                      u"-0.5",
                                      u"-0",
                                      u"00012",
                                      u"0.412",
                                      u"1.7976931348623157E+308",
                                      u"1.8e308",
                                      u"3.4028235E+38",
                                      u"3.5e38",
                                      u"1e-45",
                                      u"2.5e-320",
                                      u"inf",
                                      u"INF",
                                      u"nan",
                                      u"NaN",
                                      u"1.#INF",
                                      u"Infinity",
                                      u"#TRUE#",
                                      u"#FALSE#",
                                      u"#true#",
                                      u"#TRUE",
                                      u"TRUE#",
                                      u"# TRUE#",
                                      u"True",
                                      u"true",
                                      u"TRUE",
                                      u" true ",
                                      u"False",
                                      u"false",
                                      u"yes",
                                      u"on",
                                      u"\u00A012",
                                      u"12\u00A0",
                                      u"\u300012",
                                      u"\uFF11\uFF12",
                                      u"\u0085"
                                      u"12",
                                      u"12\u2029",
                                      u"\u202F"
                                      u"12",
                                      u"\u001F"
                                      u"12",
                                      u"\uFEFF"
                                      u"12",
                                      u"\u200B"
                                      u"12"};

void ChangeType(Lines &lines, const Value &source, VARTYPE to, USHORT flags = 0) {
  Value dest;
  const HRESULT hr = VariantChangeType(&dest.v, &source.v, flags, to);
  std::string line = "VariantChangeType " + DescribeVariant(source.v) + " -> " + VarTypeName(to);
  if (flags) line += " flags " + std::to_string(flags);
  line += " : " + StatusText(hr);
  if (SUCCEEDED(hr)) line += " " + DescribeVariant(dest.v);
  lines.push_back(line);
}

void ChangeToEveryType(Lines &lines, const Value &source) {
  for (VARTYPE to : kTypes) ChangeType(lines, source, to);
}

void ChangeTypeCases(Lines &lines) {
  ChangeToEveryType(lines, Value(VT_EMPTY));
  ChangeToEveryType(lines, Value(VT_NULL));
  ChangeToEveryType(lines, Integer(VT_ERROR, 0));
  ChangeToEveryType(lines,
                    Integer(VT_ERROR, static_cast<int64_t>(static_cast<int32_t>(0x80020004u))));
  for (int64_t b : {0, -1, 1}) ChangeToEveryType(lines, Integer(VT_BOOL, b));
  for (int64_t b : {0, -1}) ChangeType(lines, Integer(VT_BOOL, b), VT_BSTR, VARIANT_ALPHABOOL);

  for (VARTYPE from :
       {VT_I1, VT_UI1, VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_I8, VT_UI8}) {
    for (int64_t n : kIntegerEdges) {
      if (Fits(from, n)) ChangeToEveryType(lines, Integer(from, n));
    }
  }
  for (uint64_t n : {9223372036854775808ULL, 18446744073709551615ULL})
    ChangeToEveryType(lines, Unsigned64(n));

  for (VARTYPE from : {VT_R8, VT_DATE}) {
    for (double d : kRealEdges) ChangeToEveryType(lines, Real(from, d));
  }
  // The reals a float holds, each once.
  std::vector<uint32_t> seen;
  for (double d : kRealEdges) {
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX) continue;
    const float f = static_cast<float>(d);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    bool known = false;
    for (uint32_t b : seen) known = known || b == bits;
    if (known) continue;
    seen.push_back(bits);
    ChangeToEveryType(lines, Real(VT_R4, d));
  }
  for (int64_t units : kCurrencyEdges) ChangeToEveryType(lines, Integer(VT_CY, units));
  for (std::u16string_view text : kTexts) ChangeToEveryType(lines, Text(text));

  // A null BSTR.
  ChangeToEveryType(lines, Value(VT_BSTR));
}

// By-reference sources are read through their pointer; the target must be a plain type.
void ByReferenceCases(Lines &lines) {
  LONG number = 300;
  Value ref(VT_I4 | VT_BYREF);
  V_BYREF(&ref.v) = &number;
  for (VARTYPE to : {VT_R8, VT_UI1, VT_BSTR, VT_I4}) ChangeType(lines, ref, to);
  Value inner = Text(u"42");
  Value variantRef(VT_VARIANT | VT_BYREF);
  V_BYREF(&variantRef.v) = &inner.v;
  ChangeType(lines, variantRef, VT_I2);
  Value nullRef(VT_R8 | VT_BYREF);
  ChangeType(lines, nullRef, VT_I4);
  // The holders own nothing by reference.
  const Value one = Integer(VT_I4, 1);
  const VARTYPE refused[] = {VT_I4 | VT_BYREF, 0x7F, VT_VARIANT, VT_I4 | VT_ARRAY};
  for (VARTYPE to : refused) ChangeType(lines, one, to);
}

// Operands for the arithmetic: a few of each type, with the limits that overflow.
std::vector<Value> Operands(VARTYPE vt) {
  std::vector<Value> values;
  auto integers = [&](std::initializer_list<int64_t> list) {
    for (int64_t n : list) values.push_back(Integer(vt, n));
  };
  auto reals = [&](std::initializer_list<double> list) {
    for (double d : list) values.push_back(Real(vt, d));
  };
  switch (vt) {
  case VT_EMPTY:
  case VT_NULL:
    values.push_back(Value(vt));
    break;
  case VT_ERROR:
    integers({static_cast<int32_t>(0x80020004u)});
    break;
  case VT_BOOL:
    integers({-1, 0});
    break;
  case VT_UI1:
    integers({2, 200, 255});
    break;
  case VT_I1:
    integers({-1, 2});
    break;
  case VT_I2:
    integers({2, -3, 32767, -32768});
    break;
  case VT_UI2:
    integers({2, 65535});
    break;
  case VT_I4:
    integers({7, 2147483647, -2147483647LL - 1});
    break;
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
  case VT_UI8:
    integers({7});
    break;
  case VT_I8:
    integers({3, 4294967296LL, std::numeric_limits<int64_t>::max(),
              std::numeric_limits<int64_t>::min()});
    break;
  case VT_R4:
    reals({0.5, -2.5, 3e38});
    break;
  case VT_R8:
    reals({0.25, -1.5, 1e308});
    break;
  case VT_DATE:
    reals({2.5, -1.5});
    break;
  case VT_CY:
    integers({15000, -1, std::numeric_limits<int64_t>::max()});
    break;
  case VT_BSTR:
    for (std::u16string_view text : {u"12", u"1.5", u"abc", u"", u"&H10"})
      values.push_back(Text(text));
    break;
  default:
    break;
  }
  return values;
}

using Arithmetic = HRESULT(STDAPICALLTYPE *)(LPVARIANT, LPVARIANT, LPVARIANT);

void ArithmeticCases(Lines &lines, const char *name, const char *sign, Arithmetic operation) {
  for (VARTYPE l : kTypes) {
    for (VARTYPE r : kTypes) {
      for (const Value &left : Operands(l)) {
        for (const Value &right : Operands(r)) {
          Value a(left), b(right), result;
          const HRESULT hr = operation(&a.v, &b.v, &result.v);
          std::string line = std::string(name) + " " + DescribeVariant(left.v) + " " + sign + " " +
                             DescribeVariant(right.v) + " : " + StatusText(hr);
          if (SUCCEEDED(hr)) line += " " + DescribeVariant(result.v);
          lines.push_back(line);
        }
      }
    }
  }
}

std::string Bytes(BSTR text, UINT count) {
  std::string out;
  const auto *bytes = reinterpret_cast<const unsigned char *>(text);
  static const char kDigits[] = "0123456789ABCDEF";
  for (UINT i = 0; i < count; ++i) {
    if (i) out += ' ';
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

// What a BSTR holds: its lengths and its bytes with the terminator after them.
std::string DescribeBstr(BSTR text) {
  if (!text) return "null";
  const UINT bytes = SysStringByteLen(text);
  return "len " + std::to_string(SysStringLen(text)) + " bytes " + std::to_string(bytes) + " [" +
         Bytes(text, bytes + 2) + "]";
}

void BstrCases(Lines &lines) {
  const char kAscii[] = "abcdefg";
  for (UINT length : {0u, 1u, 2u, 3u, 5u, 7u}) {
    BSTR text = SysAllocStringByteLen(kAscii, length);
    lines.push_back("SysAllocStringByteLen \"" + std::string(kAscii, length) + "\" " +
                    std::to_string(length) + " : " + DescribeBstr(text));
    // A copy keeps the odd byte; so does a conversion to the same type and a concatenation.
    Value original(VT_BSTR), copy, converted, joined;
    V_BSTR(&original.v) = text;
    HRESULT hr = VariantCopy(&copy.v, &original.v);
    lines.push_back("VariantCopy bytes " + std::to_string(length) + " : " + StatusText(hr) + " " +
                    DescribeBstr(V_BSTR(&copy.v)));
    hr = VariantChangeType(&converted.v, &original.v, 0, VT_BSTR);
    lines.push_back("VariantChangeType BSTR bytes " + std::to_string(length) +
                    " -> BSTR : " + StatusText(hr) + " " + DescribeBstr(V_BSTR(&converted.v)));
    hr = VarAdd(&original.v, &original.v, &joined.v);
    lines.push_back(
        "VarAdd bytes " + std::to_string(length) + " + itself : " + StatusText(hr) + " " +
        (V_VT(&joined.v) == VT_BSTR ? DescribeBstr(V_BSTR(&joined.v)) : DescribeVariant(joined.v)));
  }
  for (UINT length : {0u, 1u, 4u}) {
    BSTR zeros = SysAllocStringByteLen(nullptr, length);
    lines.push_back("SysAllocStringByteLen null " + std::to_string(length) + " : " +
                    DescribeBstr(zeros));
    SysFreeString(zeros);
  }
  BSTR empty = SysAllocStringLen(nullptr, 0);
  lines.push_back("SysAllocStringLen null 0 : " + DescribeBstr(empty));
  SysFreeString(empty);
  lines.push_back("SysStringLen null : " + std::to_string(SysStringLen(nullptr)) + " bytes " +
                  std::to_string(SysStringByteLen(nullptr)));
  // Digits in an odd length: the last byte pairs with the terminator's first zero.
  const char kDigits[] = {'1', 0, '2', 0, '3'};
  Value digits(VT_BSTR);
  V_BSTR(&digits.v) = SysAllocStringByteLen(kDigits, sizeof kDigits);
  for (VARTYPE to : {VT_I4, VT_R8, VT_BSTR}) ChangeType(lines, digits, to);
  Value nullText(VT_BSTR), copy;
  const HRESULT hr = VariantCopy(&copy.v, &nullText.v);
  lines.push_back("VariantCopy null BSTR : " + StatusText(hr) + " " +
                  DescribeBstr(V_BSTR(&copy.v)));
}

} // namespace

void RunOleCases(Lines &lines) {
  ChangeTypeCases(lines);
  ByReferenceCases(lines);
  ArithmeticCases(lines, "VarMul", "*", VarMul);
  ArithmeticCases(lines, "VarAdd", "+", VarAdd);
  BstrCases(lines);
}

} // namespace olecheck
