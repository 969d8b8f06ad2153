#include "platform/d3dx9/shader/TokenWriter.h"

#include <cstddef>

namespace zrq::d3dx9 {
namespace {

uint32_t EncodeDestination(const DestinationParameter &d) {
  return EncodeRegister(d.type, d.number) |
         (static_cast<uint32_t>(d.writeMask & 0xF) << token::kWriteMaskShift) |
         (static_cast<uint32_t>(d.modifiers & 0xF) << token::kResultModShift) |
         (static_cast<uint32_t>(d.shift & 0xF) << token::kShiftShift);
}

void AppendSource(std::vector<uint32_t> &out, const SourceParameter &s, uint32_t major) {
  uint32_t t = EncodeRegister(s.type, s.number) |
               (static_cast<uint32_t>(s.swizzle) << token::kSwizzleShift) |
               (static_cast<uint32_t>(s.modifier) << token::kSourceModShift);
  if (s.relative) t |= token::kRelativeBit;
  out.push_back(t);
  // Before 2.0 the address register is implied (a0.x); later versions name it in a token.
  if (s.relative && major >= 2)
    out.push_back(
        EncodeRegister(s.address.type, s.address.number) |
        (static_cast<uint32_t>(ReplicateSwizzle(s.address.lane)) << token::kSwizzleShift));
}

void AppendParameters(std::vector<uint32_t> &out, const Instruction &in, uint32_t major) {
  if (in.opcode == Opcode::Dcl) {
    out.push_back(token::kParameterBit | in.declaration);
    out.push_back(EncodeDestination(in.dst));
    return;
  }
  if (in.opcode == Opcode::Def || in.opcode == Opcode::DefI || in.opcode == Opcode::DefB) {
    out.push_back(EncodeDestination(in.dst));
    const int count = in.opcode == Opcode::DefB ? 1 : 4;
    for (int i = 0; i < count; ++i) out.push_back(in.values[i]);
    return;
  }
  if (in.hasDestination) out.push_back(EncodeDestination(in.dst));
  if (in.predicated) AppendSource(out, in.predicate, major);
  for (uint8_t i = 0; i < in.sourceCount; ++i) AppendSource(out, in.src[i], major);
}

} // namespace

uint32_t EncodeRegister(RegisterType type, uint32_t number) {
  const auto t = static_cast<uint32_t>(type);
  return token::kParameterBit | (number & token::kRegNumberMask) |
         ((t & 7) << token::kRegTypeShift) | ((t & 0x18) << token::kRegTypeShift2);
}

std::vector<uint32_t> EncodeShader(uint32_t version, const std::vector<Instruction> &instructions) {
  const uint32_t major = (version >> 8) & 0xFF;
  std::vector<uint32_t> out;
  out.push_back(version);
  for (const Instruction &in : instructions) {
    if (in.opcode == Opcode::Comment) {
      out.push_back(static_cast<uint32_t>(Opcode::Comment) |
                    (static_cast<uint32_t>(in.comment.size()) << token::kCommentSizeShift));
      out.insert(out.end(), in.comment.begin(), in.comment.end());
      continue;
    }
    const size_t head = out.size();
    out.push_back(0);
    AppendParameters(out, in, major);
    uint32_t t = static_cast<uint32_t>(in.opcode) |
                 (static_cast<uint32_t>(in.controls) << token::kControlsShift);
    if (major >= 2) t |= static_cast<uint32_t>(out.size() - head - 1) << token::kLengthShift;
    if (in.coissue) t |= token::kCoissueBit;
    if (in.predicated) t |= token::kPredicatedBit;
    out[head] = t;
  }
  out.push_back(token::kEndToken);
  return out;
}

} // namespace zrq::d3dx9
