// Values as the compiler tracks them: one entry per scalar component, each a literal, a lane
// of some register (maybe negated), or not yet defined. A variable's value is such a list, so
// writing one component of a variable replaces one entry and emits no code.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3dx9/shader/HlslType.h"
#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9 {

struct Component {
  enum class Kind : uint8_t { Undefined, Literal, Register };
  Kind kind = Kind::Undefined;
  float value = 0;
  RegisterType type = RegisterType::Temp;
  uint32_t number = 0;
  uint8_t lane = 0;
  bool negate = false;

  static Component Constant(float v) {
    Component c;
    c.kind = Kind::Literal;
    c.value = v;
    return c;
  }
  static Component Lane(RegisterType type, uint32_t number, uint8_t lane) {
    Component c;
    c.kind = Kind::Register;
    c.type = type;
    c.number = number;
    c.lane = lane;
    return c;
  }

  bool IsLiteral() const { return kind == Kind::Literal; }
  bool IsRegister() const { return kind == Kind::Register; }
  bool IsLiteral(float v) const { return kind == Kind::Literal && SameBits(value, v); }
  Component Negated() const {
    Component c = *this;
    if (kind == Kind::Literal) c.value = -value;
    if (kind == Kind::Register) c.negate = !negate;
    return c;
  }
  bool SameRegister(const Component &o) const {
    return kind == Kind::Register && o.kind == Kind::Register && type == o.type &&
           number == o.number;
  }
  bool operator==(const Component &o) const {
    if (kind != o.kind) return false;
    if (kind == Kind::Literal) return SameBits(value, o.value);
    if (kind == Kind::Register) return SameRegister(o) && lane == o.lane && negate == o.negate;
    return true;
  }
  bool operator!=(const Component &o) const { return !(*this == o); }

  static bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
};

using Components = std::vector<Component>;

struct Value {
  HlslType type;
  Components components;
};

} // namespace zrq::d3dx9
