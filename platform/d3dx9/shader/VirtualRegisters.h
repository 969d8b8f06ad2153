// Registers the compiler names before it knows their numbers. Their types lie above the
// token format's; the layout pass replaces every one of them by a register of the format.
#pragma once

#include "platform/d3dx9/shader/TokenFormat.h"

namespace zrq::d3dx9::vreg {

constexpr RegisterType Temp = static_cast<RegisterType>(64); // number: a fresh temporary
constexpr RegisterType Uniform =
    static_cast<RegisterType>(65); // number: uniform << 12 | register offset
constexpr RegisterType Literal =
    static_cast<RegisterType>(66); // number: a register of the literal pool
constexpr RegisterType InputV = static_cast<RegisterType>(67);  // number: an input, to become v#
constexpr RegisterType InputT = static_cast<RegisterType>(68);  // number: an input, to become t#
constexpr RegisterType Sampler = static_cast<RegisterType>(69); // number: a sampler uniform

constexpr uint32_t kUniformShift = 12;
constexpr uint32_t UniformNumber(uint32_t uniform, uint32_t offset) {
  return (uniform << kUniformShift) | offset;
}

// The read-port class of a register: registers of one class share the ports of that class.
enum class PortClass { Temp, Constant, ColorInput, TextureInput, Sampler, Other };
constexpr PortClass ClassOf(RegisterType type) {
  if (type == Temp || type == RegisterType::Temp) return PortClass::Temp;
  if (type == Uniform || type == Literal || type == RegisterType::Const) return PortClass::Constant;
  if (type == InputV || type == RegisterType::Input) return PortClass::ColorInput;
  if (type == InputT || type == RegisterType::Texture) return PortClass::TextureInput;
  if (type == Sampler || type == RegisterType::Sampler) return PortClass::Sampler;
  return PortClass::Other;
}

} // namespace zrq::d3dx9::vreg
