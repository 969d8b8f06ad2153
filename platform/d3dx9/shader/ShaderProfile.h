// What a target profile offers: its version token, its instructions, its swizzles and the
// limits on registers and instruction slots that compiled code must keep.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

struct ShaderProfile {
  std::string name;
  bool pixel = false;
  uint32_t major = 1;
  uint32_t minor = 1;
  uint32_t temps = 12;
  uint32_t constants = 96;    // float constant registers
  uint32_t inputs = 16;       // vertex inputs (v#)
  uint32_t colorInputs = 2;   // pixel colour inputs (v#)
  uint32_t textureInputs = 8; // pixel texture coordinates (t#)
  uint32_t samplers = 16;
  uint32_t colorOutputs = 4;   // oC#
  uint32_t slots = 128;        // vertex: every slot; pixel: arithmetic slots
  uint32_t textureSlots = 0;   // pixel: texture instructions
  uint32_t dependentReads = 4; // pixel: texture reads that depend on texture reads
  // Sources of one instruction that may name a constant register (all the same one: there
  // is one read port) and a texture coordinate register; 0 for no limit.
  uint32_t constantReads = 0;
  uint32_t textureReads = 0;

  // vs_1_1, vs_2_0 and ps_2_0; nothing for any other name.
  static std::optional<ShaderProfile> Find(std::string_view name);

  uint32_t Version() const { return token::Version(pixel, major, minor); }
  bool Has(Opcode opcode) const;
  // Whether a source may carry this swizzle (pixel shader 2.0 takes only a few).
  bool SwizzleAllowed(uint8_t swizzle) const;
  // Whether results may be saturated by the _sat modifier (pixel shaders only).
  bool HasSaturate() const { return pixel; }
  // vs_1_1's frc writes only .y or .xy.
  bool FracNeedsY() const { return !pixel && major == 1; }
};

} // namespace zrq::d3dx9
