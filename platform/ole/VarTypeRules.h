// Which VARTYPEs a VARIANT may hold here, shared by the functions that take one.
#pragma once

#include <oaidl.h>

namespace zrq::ole {

// S_OK when vt names something a VARIANT can carry, else DISP_E_BADVARTYPE. Arrays and
// records are refused: nothing here can create or destroy what they point at.
HRESULT ValidateVarType(VARTYPE vt);

} // namespace zrq::ole
