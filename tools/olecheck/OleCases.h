// The OLE Automation case table: VariantChangeType between every pair of the types this
// platform takes, on boundary values and on texts; VarMul and VarAdd on every pair of
// operand types; and the BSTR functions on odd byte lengths. One line per case.
#pragma once

#include "CaseFormat.h"

namespace olecheck {

void RunOleCases(Lines &lines);

} // namespace olecheck
