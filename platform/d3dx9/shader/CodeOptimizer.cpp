#include "platform/d3dx9/shader/CodeOptimizer.h"

#include <map>

#include "platform/d3dx9/shader/OpcodeTable.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {

namespace {

// Instructions whose result is one value written to every lane of the mask.
bool ReplicatesResult(Opcode op) {
  return op == Opcode::Dp3 || op == Opcode::Dp4 || op == Opcode::Dp2Add || op == Opcode::Rcp ||
         op == Opcode::Rsq || op == Opcode::Exp || op == Opcode::Log || op == Opcode::Pow ||
         op == Opcode::Expp || op == Opcode::Logp;
}

// Instructions computing each lane from the same lane of their (swizzled) sources.
bool ComponentWise(Opcode op) {
  return op == Opcode::Mov || op == Opcode::Add || op == Opcode::Sub || op == Opcode::Mul ||
         op == Opcode::Mad || op == Opcode::Min || op == Opcode::Max || op == Opcode::Slt ||
         op == Opcode::Sge || op == Opcode::Abs || op == Opcode::Lrp || op == Opcode::Cmp;
}

} // namespace

uint8_t LanesRead(const Instruction &in, int source) {
  const uint8_t positions = SourcePositions(in.opcode, source, in.dst.writeMask);
  uint8_t lanes = 0;
  for (unsigned p = 0; p < 4; ++p)
    if (positions & (1u << p))
      lanes = static_cast<uint8_t>(lanes | (1u << SwizzleLane(in.src[source].swizzle, p)));
  return lanes;
}

void RemoveDeadCode(std::vector<Instruction> &code) {
  std::map<uint32_t, uint8_t> live; // temporary → lanes read later
  std::vector<bool> keep(code.size(), true);
  for (size_t i = code.size(); i-- > 0;) {
    Instruction &in = code[i];
    if (in.opcode == Opcode::TexKill) {
      if (in.dst.type == vreg::Temp) live[in.dst.number] |= 0xF;
      continue;
    }
    if (in.hasDestination && in.dst.type == vreg::Temp) {
      uint8_t &lanes = live[in.dst.number];
      if (!(lanes & in.dst.writeMask)) {
        keep[i] = false;
        continue;
      }
      // Lanes nobody reads are not written, so that their inputs may die too.
      if (ComponentWise(in.opcode) || ReplicatesResult(in.opcode))
        in.dst.writeMask = static_cast<uint8_t>(in.dst.writeMask & lanes);
      lanes = static_cast<uint8_t>(lanes & ~in.dst.writeMask);
    }
    for (int s = 0; s < in.sourceCount; ++s)
      if (in.src[s].type == vreg::Temp) live[in.src[s].number] |= LanesRead(in, s);
  }
  std::vector<Instruction> kept;
  for (size_t i = 0; i < code.size(); ++i)
    if (keep[i]) kept.push_back(std::move(code[i]));
  code = std::move(kept);
}

namespace {

bool IsVertexOutput(RegisterType type) {
  return type == RegisterType::RastOut || type == RegisterType::AttrOut ||
         type == RegisterType::TexCrdOut;
}

// Forwards one move; false when none can be.
bool ForwardOne(std::vector<Instruction> &code) {
  std::map<uint32_t, int> reads;
  std::map<uint32_t, std::vector<size_t>> writers;
  for (size_t i = 0; i < code.size(); ++i) {
    const Instruction &in = code[i];
    for (int s = 0; s < in.sourceCount; ++s)
      if (in.src[s].type == vreg::Temp) ++reads[in.src[s].number];
    if (in.opcode == Opcode::TexKill && in.dst.type == vreg::Temp) reads[in.dst.number] += 2;
    if (in.hasDestination && in.dst.type == vreg::Temp) writers[in.dst.number].push_back(i);
  }
  for (size_t m = 0; m < code.size(); ++m) {
    const Instruction &mov = code[m];
    if (mov.opcode != Opcode::Mov || !IsVertexOutput(mov.dst.type) || mov.dst.modifiers ||
        mov.src[0].type != vreg::Temp || mov.src[0].modifier != SourceModifier::None ||
        reads[mov.src[0].number] != 1)
      continue;
    // Which output lane each lane of the temporary goes to.
    int target[4] = {-1, -1, -1, -1};
    bool usable = true, identity = true;
    for (unsigned p = 0; p < 4; ++p) {
      if (!(mov.dst.writeMask & (1u << p))) continue;
      const uint8_t q = SwizzleLane(mov.src[0].swizzle, p);
      if (target[q] >= 0) usable = false;
      target[q] = static_cast<int>(p);
      identity &= q == p;
    }
    const std::vector<size_t> &written = writers[mov.src[0].number];
    for (size_t w : written) {
      const Instruction &in = code[w];
      for (unsigned q = 0; q < 4; ++q)
        if ((in.dst.writeMask & (1u << q)) && target[q] < 0) usable = false;
      // Texture reads, sincos and vs_1_1's frc write temporaries only.
      if (in.opcode == Opcode::Tex || in.opcode == Opcode::Frc || in.opcode == Opcode::SinCos)
        usable = false;
      if (!identity && !ReplicatesResult(in.opcode) && !ComponentWise(in.opcode)) usable = false;
    }
    if (!usable || written.empty()) continue;
    for (size_t w : written) {
      Instruction &in = code[w];
      uint8_t mask = 0;
      uint8_t lanes[4][4];
      for (int s = 0; s < in.sourceCount; ++s)
        for (unsigned p = 0; p < 4; ++p) lanes[s][p] = SwizzleLane(in.src[s].swizzle, p);
      for (unsigned q = 0; q < 4; ++q) {
        if (!(in.dst.writeMask & (1u << q))) continue;
        const auto p = static_cast<unsigned>(target[q]);
        mask = static_cast<uint8_t>(mask | (1u << p));
        // A lane that moves takes its sources' swizzle along.
        if (ComponentWise(in.opcode))
          for (int s = 0; s < in.sourceCount; ++s) lanes[s][p] = SwizzleLane(in.src[s].swizzle, q);
      }
      for (int s = 0; s < in.sourceCount; ++s)
        in.src[s].swizzle = MakeSwizzle(lanes[s][0], lanes[s][1], lanes[s][2], lanes[s][3]);
      in.dst.type = mov.dst.type;
      in.dst.number = mov.dst.number;
      in.dst.writeMask = mask;
    }
    code.erase(code.begin() + static_cast<std::ptrdiff_t>(m));
    return true;
  }
  return false;
}

} // namespace

void ForwardOutputs(std::vector<Instruction> &code) {
  while (ForwardOne(code)) {
  }
}

} // namespace zrq::d3dx9
