// Arithmetic on component values, built from the instructions the profile has: the
// operations of the language (comparisons, selection, sin and cos, frac, lerp, dot...) as
// instruction sequences, component-wise over any length (a matrix's sixteen components too).
#pragma once

#include <map>
#include <utility>

#include "platform/d3dx9/shader/CodeEmitter.h"

namespace zrq::d3dx9 {

class MathBuilder {
public:
  explicit MathBuilder(CodeEmitter &emitter) : emitter(emitter) {}
  CodeEmitter &Emitter() { return emitter; }

  // Component-wise; a one-component operand is widened to the others' length.
  Components Add(const Components &a, const Components &b);
  Components Sub(const Components &a, const Components &b);
  Components Mul(const Components &a, const Components &b);
  Components Mad(const Components &a, const Components &b, const Components &c);
  Components Min(const Components &a, const Components &b);
  Components Max(const Components &a, const Components &b);
  Components Div(const Components &a, const Components &b);
  static Components Neg(const Components &a);
  Components Rcp(const Components &a);
  Components Rsq(const Components &a);
  Components Sqrt(const Components &a);
  Components Exp2(const Components &a);
  Components Log2(const Components &a);
  Components Pow(const Components &a, const Components &b);
  Components Abs(const Components &a);
  Components Frac(const Components &a);
  Components Floor(const Components &a);
  Components Trunc(const Components &a);
  Components Saturate(const Components &a);
  Components Lerp(const Components &a, const Components &b, const Components &t);
  Components Sin(const Components &a);
  Components Cos(const Components &a);
  Component Dot(const Components &a, const Components &b);

  // 1 where the comparison holds, else 0.
  Components Compare(Comparison op, const Components &a, const Components &b);
  // Per component: whenTrue where the condition (0 or 1) is 1, whenFalse where it is 0.
  Components Select(const Components &condition, const Components &whenTrue,
                    const Components &whenFalse);
  Components Not(const Components &a);
  Components And(const Components &a, const Components &b);
  Components Or(const Components &a, const Components &b);

private:
  // A comparison result made by cmp from a difference: 1 where difference >= 0 (or < 0).
  struct Origin {
    Component difference;
    bool trueWhenNotNegative;
  };

  static Components Widen(const Components &a, size_t n);
  // Emits `op` lane-wise over the operands, four lanes an instruction.
  Components Map(Opcode op, const std::vector<Components> &operands, uint8_t modifiers = 0);
  Components PerComponent(Opcode op, const std::vector<Components> &operands);
  Components CompareByCmp(Comparison op, const Components &a, const Components &b);
  Components SinCos(const Components &a, bool cosine);
  Components SinCosPolynomial(const Components &a, bool cosine);
  const Origin *OriginOf(const Component &c) const;

  CodeEmitter &emitter;
  std::map<std::pair<uint32_t, uint8_t>, Origin> origins;
};

} // namespace zrq::d3dx9
