// Writes a compiled resource script as C++: the resource data, the directory over it, and a
// static object that registers the directory for the image it is linked into.
#pragma once

#include <ostream>

#include "tools/rc/ResourceScript.h"

namespace zrq::rc {

void WriteResourceSource(const ResourceScript &script, std::ostream &out);

} // namespace zrq::rc
