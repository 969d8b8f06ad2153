// The arithmetic of the instructions compiled code uses, on literal values: what the compiler
// computes itself when every value an instruction would read is known.
#pragma once

#include <array>
#include <cstdint>

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

using Lanes = std::array<float, 4>;

// The result of `opcode` on sources already swizzled and negated lane by lane; false for an
// instruction that is not folded (texture reads, sincos).
bool FoldInstruction(Opcode opcode, const Lanes *sources, int count, Lanes &out);

} // namespace zrq::d3dx9
