// Encodes instructions as Direct3D 9 shader tokens.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::d3dx9 {

// The version token, every instruction (comments as comment blocks) and the end token.
// Instruction tokens carry their length from version 2.0 on, as the format asks.
std::vector<uint32_t> EncodeShader(uint32_t version, const std::vector<Instruction> &instructions);

// The parameter token of a register, without the destination or source fields.
uint32_t EncodeRegister(RegisterType type, uint32_t number);

} // namespace zrq::d3dx9
