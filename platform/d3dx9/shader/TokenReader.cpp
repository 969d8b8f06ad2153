#include "platform/d3dx9/shader/TokenReader.h"

#include "platform/d3dx9/shader/OpcodeTable.h"

namespace zrq::d3dx9 {
namespace {

RegisterType DecodeRegisterType(uint32_t t) {
  return static_cast<RegisterType>(((t & token::kRegTypeMask) >> token::kRegTypeShift) |
                                   ((t & token::kRegTypeMask2) >> token::kRegTypeShift2));
}

// Tokens following an instruction token: from 2.0 the token says; before, the opcode does
// (there are no relative-address tokens before 2.0). -1 for an opcode this table lacks.
long long ParameterCount(uint32_t t, uint32_t major) {
  const auto opcode = static_cast<Opcode>(t & token::kOpcodeMask);
  const OpcodeInfo *info = FindOpcode(opcode);
  if (!info || opcode == Opcode::Comment || opcode == Opcode::End) return -1;
  if (major >= 2) return (t & token::kLengthMask) >> token::kLengthShift;
  if (opcode == Opcode::Dcl || opcode == Opcode::DefB) return 2;
  if (opcode == Opcode::Def || opcode == Opcode::DefI) return 5;
  return info->destinations + SourceCount(*info, major) + ((t & token::kPredicatedBit) ? 1 : 0);
}

class Reader {
public:
  Reader(const uint32_t *tokens, size_t count, std::string &error)
      : tokens(tokens), count(count), error(error) {}

  bool Run(DecodedShader &shader) {
    if (count == 0) return Fail("no version token");
    shader.version = tokens[0];
    const uint32_t type = shader.version & 0xFFFF0000u;
    if (type != token::kVertexShaderType && type != token::kPixelShaderType)
      return Fail("not a shader version token");
    major = shader.Major();
    if (major < 1 || major > 3 || (shader.IsPixelShader() && major < 2))
      return Fail("shader version not supported (pixel shaders from 2.0, vertex shaders from 1.1)");
    position = 1;
    while (position < count) {
      const uint32_t t = tokens[position++];
      const auto opcode = static_cast<Opcode>(t & token::kOpcodeMask);
      if (opcode == Opcode::End) return true;
      Instruction in;
      in.opcode = opcode;
      if (opcode == Opcode::Comment) {
        const uint32_t size = (t & token::kCommentSizeMask) >> token::kCommentSizeShift;
        if (size > count - position) return Fail("comment runs past the end of the shader");
        in.comment.assign(tokens + position, tokens + position + size);
        position += size;
        shader.instructions.push_back(std::move(in));
        continue;
      }
      if (t & token::kParameterBit)
        return Fail("parameter token where an instruction was expected");
      if (!ReadInstruction(t, in)) return false;
      shader.instructions.push_back(std::move(in));
    }
    return Fail("no end token");
  }

private:
  bool Fail(const char *what) {
    error = what;
    return false;
  }

  bool Next(uint32_t &t) {
    if (position >= end) return Fail("instruction runs past its length or the end of the shader");
    t = tokens[position++];
    if (!(t & token::kParameterBit)) return Fail("parameter token without its top bit");
    return true;
  }

  bool ReadDestination(DestinationParameter &d) {
    uint32_t t;
    if (!Next(t)) return false;
    d.type = DecodeRegisterType(t);
    d.number = t & token::kRegNumberMask;
    d.writeMask = static_cast<uint8_t>((t & token::kWriteMaskMask) >> token::kWriteMaskShift);
    d.modifiers = static_cast<uint8_t>((t & token::kResultModMask) >> token::kResultModShift);
    const auto shift = static_cast<int8_t>((t & token::kShiftMask) >> token::kShiftShift);
    d.shift = static_cast<int8_t>(shift >= 8 ? shift - 16 : shift);
    return true;
  }

  bool ReadSource(SourceParameter &s) {
    uint32_t t;
    if (!Next(t)) return false;
    s.type = DecodeRegisterType(t);
    s.number = t & token::kRegNumberMask;
    s.swizzle = static_cast<uint8_t>((t & token::kSwizzleMask) >> token::kSwizzleShift);
    const uint32_t modifier = (t & token::kSourceModMask) >> token::kSourceModShift;
    if (modifier > static_cast<uint32_t>(SourceModifier::Not))
      return Fail("unknown source modifier");
    s.modifier = static_cast<SourceModifier>(modifier);
    s.relative = (t & token::kRelativeBit) != 0;
    if (s.relative && major >= 2) {
      uint32_t a;
      if (!Next(a)) return false;
      s.address.type = DecodeRegisterType(a);
      s.address.number = a & token::kRegNumberMask;
      s.address.lane =
          SwizzleLane(static_cast<uint8_t>((a & token::kSwizzleMask) >> token::kSwizzleShift), 0);
    }
    return true;
  }

  bool ReadInstruction(uint32_t t, Instruction &in) {
    const OpcodeInfo *info = FindOpcode(in.opcode);
    if (!info || in.opcode == Opcode::Comment) return Fail("unknown opcode");
    in.controls = static_cast<uint8_t>((t & token::kControlsMask) >> token::kControlsShift);
    in.coissue = (t & token::kCoissueBit) != 0;
    in.predicated = (t & token::kPredicatedBit) != 0;
    const long long parameters = ParameterCount(t, major);
    if (parameters < 0) return Fail("unknown opcode");
    const auto length = static_cast<size_t>(parameters);
    if (length > count - position) return Fail("instruction runs past the end of the shader");
    end = position + length;

    if (in.opcode == Opcode::Dcl) {
      uint32_t usage;
      if (!Next(usage)) return false;
      in.declaration = usage & ~token::kParameterBit;
      in.hasDestination = true;
      if (!ReadDestination(in.dst)) return false;
    } else if (in.opcode == Opcode::Def || in.opcode == Opcode::DefI || in.opcode == Opcode::DefB) {
      in.hasDestination = true;
      if (!ReadDestination(in.dst)) return false;
      const size_t values = in.opcode == Opcode::DefB ? 1 : 4;
      if (end - position != values) return Fail("constant definition of the wrong length");
      for (size_t i = 0; i < values; ++i) in.values[i] = tokens[position++];
    } else {
      in.hasDestination = info->destinations != 0;
      if (in.hasDestination && !ReadDestination(in.dst)) return false;
      if (in.predicated && !ReadSource(in.predicate)) return false;
      in.sourceCount = SourceCount(*info, major);
      for (uint8_t i = 0; i < in.sourceCount; ++i)
        if (!ReadSource(in.src[i])) return false;
    }
    if (position != end) return Fail("instruction length does not match its parameters");
    return true;
  }

  const uint32_t *tokens;
  size_t count;
  std::string &error;
  uint32_t major = 0;
  size_t position = 0;
  size_t end = 0;
};

} // namespace

bool DecodeShader(const uint32_t *tokens, size_t count, DecodedShader &shader, std::string &error) {
  shader = DecodedShader{};
  return Reader(tokens, count, error).Run(shader);
}

size_t ShaderTokenCount(const uint32_t *tokens, size_t limit) {
  if (!tokens || limit == 0) return 0;
  const uint32_t major = (tokens[0] >> 8) & 0xFF;
  size_t position = 1;
  while (position < limit) {
    const uint32_t t = tokens[position++];
    const auto opcode = static_cast<Opcode>(t & token::kOpcodeMask);
    if (opcode == Opcode::End) return position;
    if (opcode == Opcode::Comment) {
      position += (t & token::kCommentSizeMask) >> token::kCommentSizeShift;
      continue;
    }
    const long long parameters = ParameterCount(t, major);
    if (parameters < 0) return 0;
    position += static_cast<size_t>(parameters);
  }
  return 0;
}

} // namespace zrq::d3dx9
