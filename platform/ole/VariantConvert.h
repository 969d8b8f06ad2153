// Conversion of one VARIANT to another type, the work behind VariantChangeType.
#pragma once

#include <oaidl.h>

namespace zrq::ole {

// Converts src to a value of type vt in *out, which is overwritten, never cleared: on
// success *out owns what it holds (a fresh BSTR), on failure it is left alone. src must be
// a valid VARIANT; by-reference values are read through their pointer.
HRESULT ConvertVariant(const VARIANT &src, VARTYPE vt, USHORT flags, VARIANT *out);

} // namespace zrq::ole
