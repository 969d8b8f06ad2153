// Reads a constant table from its binary layout, checking every offset and count against the
// bytes given, and finds the table among a shader's comments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/d3dx9/shader/ConstantTableModel.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::d3dx9 {

// Parses bytes[0 .. size) into `table`; false with `error` set when the table is damaged.
[[nodiscard]] bool ReadConstantTable(const uint8_t *bytes, size_t size, ConstantTableModel &table,
                                     std::string &error);

// The first comment that carries a constant table (its payload starts with the tag), or null.
const Instruction *FindConstantTableComment(const DecodedShader &shader);

} // namespace zrq::d3dx9
