// The literal values compiled code reads, packed four to a register: the registers the
// shader defines with def. Values that one instruction reads together are placed in one
// register where they fit, since an instruction may read only one constant register.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace zrq::d3dx9 {

class ConstantPool {
public:
  struct Slot {
    uint32_t reg;
    uint8_t lane;
  };

  // Where each value lies; all in one register whenever at most four distinct values are
  // asked for together.
  std::vector<Slot> Place(const std::vector<float> &values);
  // A register holding exactly these four values in this order (sincos reads whole ones).
  uint32_t PlaceWhole(const std::array<float, 4> &values);

  struct Register {
    std::array<float, 4> values{};
    uint8_t used = 0; // lanes taken, from lane 0 up
  };
  const std::vector<Register> &Registers() const { return registers; }

private:
  static int Find(const Register &r, float v);

  std::vector<Register> registers;
};

} // namespace zrq::d3dx9
