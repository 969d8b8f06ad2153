// The program's own module, which a null module handle stands for.
#pragma once

#include <wtypes.h>

namespace zrq::kernel {

HMODULE ProgramModule();

} // namespace zrq::kernel
