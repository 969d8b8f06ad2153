#include "platform/d3dx9/shader/RegisterAllocator.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {
namespace {

// Single instructions, which may write a register they read; the macros (sincos, lrp, crs,
// nrm, pow, vs_1_1's frc, the matrix products) may not.
bool ReadsBeforeWriting(Opcode op) {
  return op == Opcode::Mov || op == Opcode::Add || op == Opcode::Sub || op == Opcode::Mul ||
         op == Opcode::Mad || op == Opcode::Min || op == Opcode::Max || op == Opcode::Slt ||
         op == Opcode::Sge || op == Opcode::Abs || op == Opcode::Cmp || op == Opcode::Dp3 ||
         op == Opcode::Dp4 || op == Opcode::Dp2Add || op == Opcode::Rcp || op == Opcode::Rsq ||
         op == Opcode::Exp || op == Opcode::Log || op == Opcode::Tex;
}

} // namespace

uint32_t AllocateTemporaries(std::vector<Instruction> &code, const ShaderProfile &profile,
                             Diagnostics &diagnostics, const SourceLocation &where) {
  struct Interval {
    size_t first = SIZE_MAX, last = 0;
  };
  std::map<uint32_t, Interval> intervals;
  const auto touch = [&](const RegisterType type, uint32_t number, size_t at) {
    if (type != vreg::Temp) return;
    Interval &i = intervals[number];
    if (at < i.first) i.first = at;
    if (at > i.last) i.last = at;
  };
  for (size_t at = 0; at < code.size(); ++at) {
    const Instruction &in = code[at];
    if (in.hasDestination) touch(in.dst.type, in.dst.number, at);
    for (int s = 0; s < in.sourceCount; ++s) touch(in.src[s].type, in.src[s].number, at);
  }
  // Temporaries by first write; a register returns to the free set after its last read.
  std::multimap<size_t, uint32_t> byStart;
  for (const auto &[number, interval] : intervals) byStart.emplace(interval.first, number);
  std::map<uint32_t, uint32_t> assigned;
  std::multimap<size_t, uint32_t> busyUntil; // last instruction → register
  std::set<uint32_t> free;
  uint32_t used = 0;
  for (const auto &[start, number] : byStart) {
    // Registers read for the last time by the instruction that first writes this temporary
    // may take its result, where the instruction reads all its sources before writing.
    const bool reuse = ReadsBeforeWriting(code[start].opcode);
    while (!busyUntil.empty() &&
           (busyUntil.begin()->first < start || (reuse && busyUntil.begin()->first == start))) {
      free.insert(busyUntil.begin()->second);
      busyUntil.erase(busyUntil.begin());
    }
    uint32_t reg;
    if (!free.empty()) {
      reg = *free.begin();
      free.erase(free.begin());
    } else {
      reg = used++;
    }
    assigned[number] = reg;
    busyUntil.emplace(intervals[number].last, reg);
  }
  if (used > profile.temps)
    diagnostics.Error(where, error::kTooManyTemporaries,
                      "the shader needs " + std::to_string(used) + " temporary registers; " +
                          profile.name + " has " + std::to_string(profile.temps));
  for (Instruction &in : code) {
    if (in.hasDestination && in.dst.type == vreg::Temp) {
      in.dst.type = RegisterType::Temp;
      in.dst.number = assigned[in.dst.number];
    }
    for (int s = 0; s < in.sourceCount; ++s)
      if (in.src[s].type == vreg::Temp) {
        in.src[s].type = RegisterType::Temp;
        in.src[s].number = assigned[in.src[s].number];
      }
  }
  // A move whose temporaries share a register now may move nothing.
  code.erase(std::remove_if(code.begin(), code.end(),
                            [](const Instruction &in) {
                              if (in.opcode != Opcode::Mov || in.dst.type != RegisterType::Temp ||
                                  in.dst.modifiers || in.src[0].type != RegisterType::Temp ||
                                  in.src[0].number != in.dst.number ||
                                  in.src[0].modifier != SourceModifier::None)
                                return false;
                              for (unsigned p = 0; p < 4; ++p)
                                if ((in.dst.writeMask & (1u << p)) &&
                                    SwizzleLane(in.src[0].swizzle, p) != p)
                                  return false;
                              return true;
                            }),
             code.end());
  return used;
}

} // namespace zrq::d3dx9
