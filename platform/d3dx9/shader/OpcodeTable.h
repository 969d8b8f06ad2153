// What each opcode takes: its assembler name, its destination and source counts, and the
// instruction slots it fills towards a profile's limit.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

struct OpcodeInfo {
  Opcode opcode;
  const char *name; // the base name; texld, if, break and setp take suffixes from their controls
  uint8_t destinations;
  uint8_t sources;
  uint8_t vertexSlots; // slots counted towards a vertex shader's limit
  uint8_t pixelSlots;  // slots counted towards a pixel shader's arithmetic or texture limit
};

// The entry of an opcode, or null for an opcode this table does not know (dcl, def, defi, defb
// and comments have entries too, with their parameters handled by their callers).
const OpcodeInfo *FindOpcode(Opcode opcode);
// The entry whose base name is `name`, or null.
const OpcodeInfo *FindOpcode(std::string_view name);
// Sources of the opcode in a shader of the given major version (sincos takes its two
// constants only before 3.0).
uint8_t SourceCount(const OpcodeInfo &info, uint32_t major);
// The positions of source `index` an instruction writing `writeMask` reads (a bit per
// position before the swizzle): its mask for component-wise arithmetic, .xyz for dp3, the
// first position for rcp and the other scalar instructions, all four for a texture read.
uint8_t SourcePositions(Opcode opcode, int index, uint8_t writeMask);

} // namespace zrq::d3dx9
