// The constant table of a compiled shader as data: what the compiler writes into the shader's
// CTAB comment, and what the reader gives back from one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrq::d3dx9 {

// 'C' 'T' 'A' 'B', the first payload word of the comment that holds the table.
constexpr uint32_t kConstantTableTag = 0x42415443u;

struct ConstantMember;

// D3DXPARAMETER_CLASS, D3DXPARAMETER_TYPE and the shape, as the table stores them.
struct ConstantType {
  uint16_t parameterClass = 0;
  uint16_t parameterType = 0;
  uint16_t rows = 1;
  uint16_t columns = 1;
  uint16_t elements = 1;
  std::vector<ConstantMember> members;
};

struct ConstantMember {
  std::string name;
  ConstantType type;
};

struct ConstantEntry {
  std::string name;
  uint16_t registerSet = 0; // D3DXREGISTER_SET
  uint16_t registerIndex = 0;
  uint16_t registerCount = 0;
  ConstantType type;
  std::vector<float> defaultValue; // empty, or four values for each register
};

struct ConstantTableModel {
  std::string creator;
  std::string target;
  uint32_t version = 0;
  uint32_t flags = 0;
  std::vector<ConstantEntry> constants;
};

} // namespace zrq::d3dx9
