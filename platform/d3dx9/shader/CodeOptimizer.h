// Clean-up of generated code on virtual registers: instructions whose results nothing reads
// are dropped, and vertex outputs are computed straight into their output registers instead
// of through a temporary and a move.
#pragma once

#include <vector>

#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::d3dx9 {

// Drops instructions none of whose written lanes is read later. Writes to registers other
// than temporaries (outputs) and texkill are what everything else is kept for.
void RemoveDeadCode(std::vector<Instruction> &code);

// "op t, ...; mov oN, t" becomes "op oN, ..." when t is read by that move alone (vertex
// shaders, whose outputs any instruction may write).
void ForwardOutputs(std::vector<Instruction> &code);

// The lanes of the register each source reads (after its swizzle).
uint8_t LanesRead(const Instruction &in, int source);

} // namespace zrq::d3dx9
