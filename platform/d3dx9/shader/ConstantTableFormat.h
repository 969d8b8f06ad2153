// The binary layout of a constant table (the CTAB comment's payload after its tag). Every
// offset counts from the start of the header.
#pragma once

#include <cstdint>

namespace zrq::d3dx9::ctab {

constexpr uint32_t kHeaderSize =
    28; // Size, Creator, Version, Constants, ConstantInfo, Flags, Target
constexpr uint32_t kConstantSize =
    20; // Name, RegisterSet/Index/Count/Reserved (16 bits each), TypeInfo, DefaultValue
constexpr uint32_t kTypeSize =
    16; // Class, Type, Rows, Columns, Elements, StructMembers (16 bits each), StructMemberInfo
constexpr uint32_t kMemberSize = 8; // Name, TypeInfo
constexpr uint8_t kPadding = 0xAB;  // what fills strings up to a four-byte boundary

} // namespace zrq::d3dx9::ctab
