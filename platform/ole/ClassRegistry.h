// What the registry says about a class: its in-process server.
#pragma once

#include <string>

#include <objbase.h>

namespace zrq::ole {

// The file of the class's in-process server (InprocServer32, quotes removed, environment
// variables of an expandable value filled in). REGDB_E_CLASSNOTREG when the class or its
// server is not registered, REGDB_E_READREGDB when the registry cannot be read.
[[nodiscard]] HRESULT InprocServerPath(REFCLSID clsid, std::u16string *path);

} // namespace zrq::ole
