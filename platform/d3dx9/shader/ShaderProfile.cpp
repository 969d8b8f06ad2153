#include "platform/d3dx9/shader/ShaderProfile.h"

#include <algorithm>
#include <initializer_list>

namespace zrq::d3dx9 {
namespace {

constexpr Opcode kVertex11[] = {
    Opcode::Nop,  Opcode::Mov,  Opcode::Add,  Opcode::Sub,  Opcode::Mad, Opcode::Mul,  Opcode::Rcp,
    Opcode::Rsq,  Opcode::Dp3,  Opcode::Dp4,  Opcode::Min,  Opcode::Max, Opcode::Slt,  Opcode::Sge,
    Opcode::Exp,  Opcode::Log,  Opcode::Lit,  Opcode::Dst,  Opcode::Frc, Opcode::M4x4, Opcode::M4x3,
    Opcode::M3x4, Opcode::M3x3, Opcode::M3x2, Opcode::Expp, Opcode::Logp};
constexpr Opcode kVertex20Extra[] = {Opcode::Abs, Opcode::Lrp, Opcode::Pow,    Opcode::Crs,
                                     Opcode::Sgn, Opcode::Nrm, Opcode::SinCos, Opcode::Mova};
constexpr Opcode kPixel20[] = {
    Opcode::Nop,     Opcode::Mov,  Opcode::Add,    Opcode::Sub,  Opcode::Mad,    Opcode::Mul,
    Opcode::Rcp,     Opcode::Rsq,  Opcode::Dp3,    Opcode::Dp4,  Opcode::Min,    Opcode::Max,
    Opcode::Exp,     Opcode::Log,  Opcode::Lrp,    Opcode::Frc,  Opcode::Abs,    Opcode::Pow,
    Opcode::Crs,     Opcode::Nrm,  Opcode::SinCos, Opcode::Cmp,  Opcode::Dp2Add, Opcode::Tex,
    Opcode::TexKill, Opcode::M4x4, Opcode::M4x3,   Opcode::M3x4, Opcode::M3x3,   Opcode::M3x2};

template <size_t N> bool In(const Opcode (&list)[N], Opcode opcode) {
  return std::find(std::begin(list), std::end(list), opcode) != std::end(list);
}

} // namespace

std::optional<ShaderProfile> ShaderProfile::Find(std::string_view name) {
  ShaderProfile p;
  p.name = std::string(name);
  if (name == "vs_1_1") return p;
  if (name == "vs_2_0") {
    p.major = 2;
    p.minor = 0;
    p.constants = 256;
    p.slots = 256;
    p.constantReads = 2;
    return p;
  }
  if (name == "ps_2_0") {
    p.pixel = true;
    p.major = 2;
    p.minor = 0;
    p.constants = 32;
    p.slots = 64;
    p.textureSlots = 32;
    p.constantReads = 2;
    p.textureReads = 1;
    return p;
  }
  return std::nullopt;
}

bool ShaderProfile::Has(Opcode opcode) const {
  if (pixel) return In(kPixel20, opcode);
  return In(kVertex11, opcode) || (major >= 2 && In(kVertex20Extra, opcode));
}

bool ShaderProfile::SwizzleAllowed(uint8_t swizzle) const {
  if (!pixel) return true;
  // Pixel shader 2.0: the identity, the four replicates and three rotations.
  for (uint8_t lane = 0; lane < 4; ++lane)
    if (swizzle == ReplicateSwizzle(lane)) return true;
  for (uint8_t allowed : {kIdentitySwizzle, MakeSwizzle(1, 2, 0, 3), MakeSwizzle(2, 0, 1, 3),
                          MakeSwizzle(3, 2, 1, 0)})
    if (swizzle == allowed) return true;
  return false;
}

} // namespace zrq::d3dx9
