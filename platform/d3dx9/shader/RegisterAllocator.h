// Gives every virtual temporary a temporary register of the profile. Code is straight-line,
// so a temporary lives from its first write to its last read; a register freed by an
// instruction's last read may take that instruction's result unless the instruction is a
// macro (sincos, lrp, crs...), whose destination must differ from its sources.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"
#include "platform/d3dx9/shader/ShaderProfile.h"

namespace zrq::d3dx9 {

// Rewrites every temporary in `code` to r0, r1, ...; returns how many registers it used.
// More than the profile has is an error, reported at `where` (the entry point).
uint32_t AllocateTemporaries(std::vector<Instruction> &code, const ShaderProfile &profile,
                             Diagnostics &diagnostics, const SourceLocation &where);

} // namespace zrq::d3dx9
