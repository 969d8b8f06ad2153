// One shader instruction in decoded form: what the token writer encodes, the token reader
// decodes, the disassembler prints, the assembler parses and the compiler emits.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

struct DestinationParameter {
  RegisterType type = RegisterType::Temp;
  uint32_t number = 0;
  uint8_t writeMask = 0xF;
  uint8_t modifiers = 0; // kResult* bits
  int8_t shift = 0;      // -8..7: the result is scaled by 2^shift
};

// The register that offsets a relatively addressed source (a0.x, aL).
struct RelativeAddress {
  RegisterType type = kAddrRegister;
  uint32_t number = 0;
  uint8_t lane = 0;
};

struct SourceParameter {
  RegisterType type = RegisterType::Temp;
  uint32_t number = 0;
  uint8_t swizzle = kIdentitySwizzle;
  SourceModifier modifier = SourceModifier::None;
  bool relative = false;
  RelativeAddress address; // when relative
};

struct Instruction {
  Opcode opcode = Opcode::Nop;
  uint8_t controls = 0; // texld variant, comparison
  bool coissue = false;
  bool predicated = false;
  SourceParameter predicate; // when predicated
  bool hasDestination = false;
  DestinationParameter dst;
  uint8_t sourceCount = 0;
  SourceParameter src[4];
  uint32_t declaration = 0;          // dcl: the usage token without its top bit
  uint32_t values[4] = {0, 0, 0, 0}; // def, defi, defb: the raw values
  std::vector<uint32_t> comment;     // comment: the payload
};

// A shader as the reader decodes it: the version token and every instruction up to the end
// token, comments included.
struct DecodedShader {
  uint32_t version = 0;
  std::vector<Instruction> instructions;

  bool IsPixelShader() const { return (version & 0xFFFF0000u) == token::kPixelShaderType; }
  uint32_t Major() const { return (version >> 8) & 0xFF; }
  uint32_t Minor() const { return version & 0xFF; }
};

} // namespace zrq::d3dx9
