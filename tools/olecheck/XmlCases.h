// The DOM case table: get_text with the default white-space handling, get_dataType and
// get_nodeTypedValue of every kind of node and of elements of every data type on texts of
// every shape, put_nodeTypedValue on untyped and on typed elements, and the typed texts read
// back. One line per case.
#pragma once

#include "CaseFormat.h"

namespace olecheck {

void RunXmlCases(Lines &lines);

} // namespace olecheck
