#include "platform/d3dx9/shader/RegisterAllocator.h"

#include <map>
#include <set>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {

uint32_t AllocateTemporaries(std::vector<Instruction> &code, const ShaderProfile &profile, Diagnostics &diagnostics,
                             const SourceLocation &where) {
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
  std::multimap<size_t, uint32_t> busyUntil;  // last instruction → register
  std::set<uint32_t> free;
  uint32_t used = 0;
  for (const auto &[start, number] : byStart) {
    while (!busyUntil.empty() && busyUntil.begin()->first < start) {
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
    diagnostics.Error(where, error::kTooManyTemporaries, "the shader needs " + std::to_string(used) +
                                                      " temporary registers; " + profile.name + " has " +
                                                      std::to_string(profile.temps));
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
  return used;
}

}  // namespace zrq::d3dx9
