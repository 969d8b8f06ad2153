// Reads assembly text (after the preprocessor) into instructions: the version line, then one
// declaration, definition or instruction a line, in the spelling the disassembler writes.
#pragma once

#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"
#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

class Assembler {
public:
  explicit Assembler(Diagnostics &diagnostics) : diagnostics(diagnostics) {}

  DecodedShader Assemble(const std::vector<Token> &tokens);

private:
  class Line;
  uint32_t Version(const std::vector<Token> &line);
  Instruction ParseInstruction(Line &line);

  Diagnostics &diagnostics;
  uint32_t major = 0;
  bool pixel = false;
};

} // namespace zrq::d3dx9
