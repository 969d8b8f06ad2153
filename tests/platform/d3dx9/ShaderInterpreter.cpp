#include "platform/d3dx9/ShaderInterpreter.h"

#include <cmath>
#include <cstring>

#include "platform/d3dx9/shader/TokenReader.h"

namespace zrq::test {

using d3dx9::Opcode;
using d3dx9::RegisterType;
using d3dx9::SourceModifier;

ShaderInterpreter::ShaderInterpreter(const std::vector<DWORD> &tokens) {
  std::vector<uint32_t> words(tokens.begin(), tokens.end());
  if (!d3dx9::DecodeShader(words.data(), words.size(), shader, error)) return;
}

void ShaderInterpreter::SetInput(UINT usage, UINT usageIndex, const Float4 &value) {
  for (const d3dx9::Instruction &in : shader.instructions)
    if (in.opcode == Opcode::Dcl && in.dst.type == RegisterType::Input &&
        in.declaration == (usage | (usageIndex << 16)))
      Write(RegisterType::Input, in.dst.number, value);
}

Float4 ShaderInterpreter::Read(RegisterType type, UINT index) const {
  const auto found = registers.find({static_cast<int>(type), index});
  return found == registers.end() ? Float4{0, 0, 0, 0} : found->second;
}

Float4 ShaderInterpreter::Source(const d3dx9::SourceParameter &s) const {
  const Float4 r = Read(s.type, s.number);
  Float4 v;
  for (unsigned i = 0; i < 4; ++i) v[i] = r[d3dx9::SwizzleLane(s.swizzle, i)];
  for (float &x : v) {
    if (s.modifier == SourceModifier::Abs || s.modifier == SourceModifier::AbsNeg) x = std::fabs(x);
    if (s.modifier == SourceModifier::Neg || s.modifier == SourceModifier::AbsNeg) x = -x;
  }
  return v;
}

void ShaderInterpreter::Destination(const d3dx9::DestinationParameter &d, Float4 value) {
  Float4 &r = registers[{static_cast<int>(d.type), d.number}];
  for (unsigned i = 0; i < 4; ++i) {
    if (!(d.writeMask & (1u << i))) continue;
    float x = value[i];
    if (d.modifiers & d3dx9::kResultSaturate) x = x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
    r[i] = x;
  }
}

bool ShaderInterpreter::Run() {
  for (const d3dx9::Instruction &in : shader.instructions) {
    if (in.opcode == Opcode::Def) {
      Float4 v;
      std::memcpy(v.data(), in.values, sizeof v);
      Write(RegisterType::Const, in.dst.number, v);
      continue;
    }
    if (in.opcode == Opcode::Comment || in.opcode == Opcode::Dcl) continue;
    if (in.opcode == Opcode::TexKill) {
      const Float4 v = Read(in.dst.type, in.dst.number);
      if (v[0] < 0 || v[1] < 0 || v[2] < 0) return false;
      continue;
    }
    Float4 a{}, b{}, c{}, out{};
    if (in.sourceCount > 0) a = Source(in.src[0]);
    if (in.sourceCount > 1) b = Source(in.src[1]);
    if (in.sourceCount > 2) c = Source(in.src[2]);
    const auto each = [&](auto f) {
      for (int i = 0; i < 4; ++i) out[i] = f(i);
    };
    const auto all = [&](float x) { out = {x, x, x, x}; };
    switch (in.opcode) {
    case Opcode::Mov:
      out = a;
      break;
    case Opcode::Add:
      each([&](int i) { return a[i] + b[i]; });
      break;
    case Opcode::Sub:
      each([&](int i) { return a[i] - b[i]; });
      break;
    case Opcode::Mul:
      each([&](int i) { return a[i] * b[i]; });
      break;
    case Opcode::Mad:
      each([&](int i) {
        const float p = a[i] * b[i];
        return p + c[i];
      });
      break;
    case Opcode::Min:
      each([&](int i) { return a[i] < b[i] ? a[i] : b[i]; });
      break;
    case Opcode::Max:
      each([&](int i) { return a[i] >= b[i] ? a[i] : b[i]; });
      break;
    case Opcode::Slt:
      each([&](int i) { return a[i] < b[i] ? 1.0f : 0.0f; });
      break;
    case Opcode::Sge:
      each([&](int i) { return a[i] >= b[i] ? 1.0f : 0.0f; });
      break;
    case Opcode::Cmp:
      each([&](int i) { return a[i] >= 0.0f ? b[i] : c[i]; });
      break;
    case Opcode::Lrp:
      each([&](int i) {
        const float d = b[i] - c[i];
        const float s = a[i] * d;
        return s + c[i];
      });
      break;
    case Opcode::Frc:
      each([&](int i) { return a[i] - std::floor(a[i]); });
      break;
    case Opcode::Abs:
      each([&](int i) { return std::fabs(a[i]); });
      break;
    case Opcode::Rcp:
      all(1.0f / a[0]);
      break;
    case Opcode::Rsq:
      all(1.0f / std::sqrt(std::fabs(a[0])));
      break;
    case Opcode::Exp:
      all(std::exp2(a[0]));
      break;
    case Opcode::Log:
      all(std::log2(std::fabs(a[0])));
      break;
    case Opcode::Pow:
      all(std::pow(std::fabs(a[0]), b[0]));
      break;
    case Opcode::Dp3:
      all(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
      break;
    case Opcode::Dp4:
      all(a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]);
      break;
    case Opcode::Dp2Add:
      all(a[0] * b[0] + a[1] * b[1] + c[0]);
      break;
    case Opcode::SinCos:
      out = {std::cos(a[0]), std::sin(a[0]), 0, 0};
      break;
    case Opcode::Tex: {
      Float4 coordinates = a;
      if (in.controls == d3dx9::kTexLdProject)
        for (float &x : coordinates) x /= a[3];
      out = sample ? sample(in.src[1].number, coordinates) : Float4{0, 0, 0, 0};
      break;
    }
    default:
      error = "the interpreter does not know opcode " + std::to_string(static_cast<int>(in.opcode));
      return true;
    }
    Destination(in.dst, out);
  }
  return true;
}

} // namespace zrq::test
