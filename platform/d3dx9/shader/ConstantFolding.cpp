#include "platform/d3dx9/shader/ConstantFolding.h"

#include <cmath>

namespace zrq::d3dx9 {

bool FoldInstruction(Opcode opcode, const Lanes *s, int count, Lanes &out) {
  const auto each = [&](auto f) {
    for (int i = 0; i < 4; ++i) out[i] = f(i);
    return true;
  };
  const auto replicated = [&](float v) {
    out = {v, v, v, v};
    return true;
  };
  if (count < 1) return false;
  // Texture reads and sincos are not folded.
  if (opcode == Opcode::Mov) {
    return each([&](int i) { return s[0][i]; });
  } else if (opcode == Opcode::Add) {
    return count >= 2 && each([&](int i) { return s[0][i] + s[1][i]; });
  } else if (opcode == Opcode::Sub) {
    return count >= 2 && each([&](int i) { return s[0][i] - s[1][i]; });
  } else if (opcode == Opcode::Mul) {
    return count >= 2 && each([&](int i) { return s[0][i] * s[1][i]; });
  } else if (opcode == Opcode::Mad) {
    return count >= 3 && each([&](int i) {
             const float product = s[0][i] * s[1][i];
             return product + s[2][i];
           });
  } else if (opcode == Opcode::Min) {
    return count >= 2 && each([&](int i) { return s[0][i] < s[1][i] ? s[0][i] : s[1][i]; });
  } else if (opcode == Opcode::Max) {
    return count >= 2 && each([&](int i) { return s[0][i] >= s[1][i] ? s[0][i] : s[1][i]; });
  } else if (opcode == Opcode::Slt) {
    return count >= 2 && each([&](int i) { return s[0][i] < s[1][i] ? 1.0f : 0.0f; });
  } else if (opcode == Opcode::Sge) {
    return count >= 2 && each([&](int i) { return s[0][i] >= s[1][i] ? 1.0f : 0.0f; });
  } else if (opcode == Opcode::Cmp) {
    return count >= 3 && each([&](int i) { return s[0][i] >= 0.0f ? s[1][i] : s[2][i]; });
  } else if (opcode == Opcode::Lrp) {
    return count >= 3 && each([&](int i) {
             const float difference = s[1][i] - s[2][i];
             const float scaled = s[0][i] * difference;
             return scaled + s[2][i];
           });
  } else if (opcode == Opcode::Frc) {
    return each([&](int i) { return s[0][i] - std::floor(s[0][i]); });
  } else if (opcode == Opcode::Abs) {
    return each([&](int i) { return std::fabs(s[0][i]); });
  } else if (opcode == Opcode::Rcp) {
    return replicated(1.0f / s[0][0]);
  } else if (opcode == Opcode::Rsq) {
    return replicated(1.0f / std::sqrt(std::fabs(s[0][0])));
  } else if (opcode == Opcode::Exp) {
    return replicated(std::exp2(s[0][0]));
  } else if (opcode == Opcode::Log) {
    return replicated(std::log2(std::fabs(s[0][0])));
  } else if (opcode == Opcode::Pow) {
    return count >= 2 && replicated(std::pow(std::fabs(s[0][0]), s[1][0]));
  } else if (opcode == Opcode::Dp3) {
    if (count < 2) return false;
    float sum = s[0][0] * s[1][0];
    sum += s[0][1] * s[1][1];
    sum += s[0][2] * s[1][2];
    return replicated(sum);
  } else if (opcode == Opcode::Dp4) {
    if (count < 2) return false;
    float sum = s[0][0] * s[1][0];
    sum += s[0][1] * s[1][1];
    sum += s[0][2] * s[1][2];
    sum += s[0][3] * s[1][3];
    return replicated(sum);
  } else if (opcode == Opcode::Dp2Add) {
    if (count < 3) return false;
    float sum = s[0][0] * s[1][0];
    sum += s[0][1] * s[1][1];
    sum += s[2][0];
    return replicated(sum);
  }
  return false;
}

} // namespace zrq::d3dx9
