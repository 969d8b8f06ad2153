#include "platform/d3dx9/shader/ConstantPool.h"

#include <cstring>

namespace zrq::d3dx9 {
namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

int ConstantPool::Find(const Register &r, float v) {
  for (int lane = 0; lane < r.used; ++lane)
    if (SameBits(r.values[lane], v)) return lane;
  return -1;
}

std::vector<ConstantPool::Slot> ConstantPool::Place(const std::vector<float> &values) {
  std::vector<float> distinct;
  for (float v : values) {
    bool seen = false;
    for (float d : distinct) seen |= SameBits(d, v);
    if (!seen) distinct.push_back(v);
  }
  std::vector<Slot> slots;
  if (distinct.size() > 4) {
    for (float v : values) slots.push_back(Place({v}).front());
    return slots;
  }
  // The register that needs the fewest new lanes; a new register when none has room.
  int best = -1;
  size_t bestMissing = 5;
  for (size_t r = 0; r < registers.size(); ++r) {
    size_t missing = 0;
    for (float v : distinct) missing += Find(registers[r], v) < 0 ? 1 : 0;
    if (registers[r].used + missing <= 4 && missing < bestMissing) {
      best = static_cast<int>(r);
      bestMissing = missing;
    }
  }
  if (best < 0) {
    registers.emplace_back();
    best = static_cast<int>(registers.size() - 1);
  }
  Register &reg = registers[best];
  for (float v : distinct)
    if (Find(reg, v) < 0) reg.values[reg.used++] = v;
  for (float v : values)
    slots.push_back({static_cast<uint32_t>(best), static_cast<uint8_t>(Find(reg, v))});
  return slots;
}

uint32_t ConstantPool::PlaceWhole(const std::array<float, 4> &values) {
  for (size_t r = 0; r < registers.size(); ++r) {
    bool same = registers[r].used == 4;
    for (int i = 0; i < 4 && same; ++i) same = SameBits(registers[r].values[i], values[i]);
    if (same) return static_cast<uint32_t>(r);
  }
  Register reg;
  reg.values = values;
  reg.used = 4;
  registers.push_back(reg);
  return static_cast<uint32_t>(registers.size() - 1);
}

} // namespace zrq::d3dx9
