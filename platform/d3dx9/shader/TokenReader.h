// Decodes Direct3D 9 shader tokens into instructions, checking every length against the
// tokens given, so that no token outside them is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::d3dx9 {

// Decodes tokens[0 .. count) up to and including the end token. On failure `error` says why
// (a truncated instruction, an opcode this version does not have, a missing end token).
[[nodiscard]] bool DecodeShader(const uint32_t *tokens, size_t count, DecodedShader &shader,
                                std::string &error);

// The number of tokens up to and including the end token, walking instruction lengths where
// the version has them; 0 when no end token lies within `limit` tokens.
size_t ShaderTokenCount(const uint32_t *tokens, size_t limit);

} // namespace zrq::d3dx9
