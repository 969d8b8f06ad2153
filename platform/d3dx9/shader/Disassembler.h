// Writes a decoded shader as assembly text in the usual layout: the constant table as a
// comment block, the version, then one instruction a line, indented by four spaces. The
// assembler reads the text back into the same tokens, the constant table apart.
#pragma once

#include <string>
#include <string_view>

#include "platform/d3dx9/shader/AssemblyNames.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::d3dx9 {

// `comments`, when not empty, heads the text, each of its lines as a comment.
std::string Disassemble(const DecodedShader &shader, std::string_view comments = {});

// The text of one instruction, without indentation or line end.
std::string InstructionText(const Instruction &instruction, ShaderKind kind);

} // namespace zrq::d3dx9
