// Writes a constant table in its binary layout.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/shader/ConstantTableModel.h"

namespace zrq::d3dx9 {

// The table's bytes, a whole number of words long.
std::vector<uint8_t> WriteConstantTable(const ConstantTableModel &table);

// The comment payload that carries the table in a shader: the tag, then the table's words.
std::vector<uint32_t> ConstantTableComment(const ConstantTableModel &table);

} // namespace zrq::d3dx9
