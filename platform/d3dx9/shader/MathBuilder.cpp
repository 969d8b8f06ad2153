#include "platform/d3dx9/shader/MathBuilder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {
namespace {

Components Literal(float v) { return {Component::Constant(v)}; }

bool AllLiteral(const Components &a, float v) {
  return !a.empty() &&
         std::all_of(a.begin(), a.end(), [v](const Component &c) { return c.IsLiteral(v); });
}

// Adding a zero of either sign leaves a value as it is (up to the sign of a zero result).
bool AllZero(const Components &a) {
  return !a.empty() && std::all_of(a.begin(), a.end(), [](const Component &c) {
    return c.IsLiteral() && c.value == 0.0f;
  });
}

bool AllLiterals(const Components &a) {
  return std::all_of(a.begin(), a.end(), [](const Component &c) { return c.IsLiteral(); });
}

Components Slice(const Components &a, size_t start, size_t count) {
  return Components(a.begin() + static_cast<std::ptrdiff_t>(start),
                    a.begin() + static_cast<std::ptrdiff_t>(start + count));
}

// The two constants sincos reads (its series coefficients), as the format defines them.
constexpr std::array<float, 4> kSinCosConstant1 = {-1.5500992e-006f, -2.1701389e-005f,
                                                   0.0026041667f, 0.00026041668f};
constexpr std::array<float, 4> kSinCosConstant2 = {-0.020833334f, -0.125f, 1.0f, 0.5f};

constexpr float kInverseTwoPi = 0.159154943f;
constexpr float kTwoPi = 6.28318531f;
constexpr float kPi = 3.14159265f;

// sin(pi/2 * y) for y in -1..1 as y * P(y * y): the series to the eleventh power, whose
// error stays below 1e-7 on that interval.
constexpr float kSine[] = {1.57079633f,     -0.645964098f,   0.0796926262f,
                           -0.00468175413f, 0.000160441185f, -3.59884324e-06f};

} // namespace

Components MathBuilder::Widen(const Components &a, size_t n) {
  if (a.size() == 1 && n > 1) return Components(n, a[0]);
  return a;
}

Components MathBuilder::Map(Opcode op, const std::vector<Components> &operands, uint8_t modifiers) {
  size_t n = 0;
  for (const Components &o : operands) n = std::max(n, o.size());
  std::vector<Components> widened;
  for (const Components &o : operands) widened.push_back(Widen(o, n));
  Components out;
  for (size_t start = 0; start < n; start += 4) {
    const size_t m = std::min<size_t>(4, n - start);
    std::vector<Components> chunk;
    for (const Components &o : widened) chunk.push_back(Slice(o, start, m));
    const Components part = emitter.Emit(op, static_cast<uint8_t>((1u << m) - 1), chunk, modifiers);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

Components MathBuilder::PerComponent(Opcode op, const std::vector<Components> &operands) {
  size_t n = 0;
  for (const Components &o : operands) n = std::max(n, o.size());
  Components out;
  for (size_t i = 0; i < n; ++i) {
    std::vector<Components> sources;
    for (const Components &o : operands) sources.push_back({Widen(o, n)[i]});
    out.push_back(emitter.Emit(op, 0x1, sources).front());
  }
  return out;
}

Components MathBuilder::Neg(const Components &a) {
  Components out;
  for (const Component &c : a) out.push_back(c.Negated());
  return out;
}

Components MathBuilder::Add(const Components &a, const Components &b) {
  if (AllZero(b) && a.size() >= b.size()) return a;
  if (AllZero(a) && b.size() >= a.size()) return b;
  return Map(Opcode::Add, {a, b});
}

Components MathBuilder::Sub(const Components &a, const Components &b) { return Add(a, Neg(b)); }

Components MathBuilder::Mul(const Components &a, const Components &b) {
  if (AllLiteral(b, 1.0f) && a.size() >= b.size()) return a;
  if (AllLiteral(a, 1.0f) && b.size() >= a.size()) return b;
  if (AllLiteral(b, -1.0f) && a.size() >= b.size()) return Neg(a);
  if (AllLiteral(a, -1.0f) && b.size() >= a.size()) return Neg(b);
  return Map(Opcode::Mul, {a, b});
}

Components MathBuilder::Mad(const Components &a, const Components &b, const Components &c) {
  if (AllLiteral(c, 0.0f)) return Mul(a, b);
  if (AllLiteral(a, 1.0f)) return Add(b, c);
  if (AllLiteral(b, 1.0f)) return Add(a, c);
  return Map(Opcode::Mad, {a, b, c});
}

Components MathBuilder::Min(const Components &a, const Components &b) {
  return Map(Opcode::Min, {a, b});
}
Components MathBuilder::Max(const Components &a, const Components &b) {
  return Map(Opcode::Max, {a, b});
}
Components MathBuilder::Rcp(const Components &a) { return PerComponent(Opcode::Rcp, {a}); }
Components MathBuilder::Rsq(const Components &a) { return PerComponent(Opcode::Rsq, {a}); }
Components MathBuilder::Exp2(const Components &a) { return PerComponent(Opcode::Exp, {a}); }
Components MathBuilder::Log2(const Components &a) { return PerComponent(Opcode::Log, {a}); }

Components MathBuilder::Div(const Components &a, const Components &b) { return Mul(a, Rcp(b)); }

// rsq(0) is infinite and rcp(infinity) is 0, so the root of 0 comes out right.
Components MathBuilder::Sqrt(const Components &a) { return Rcp(Rsq(a)); }

Components MathBuilder::Pow(const Components &a, const Components &b) {
  if (emitter.Profile().Has(Opcode::Pow)) return PerComponent(Opcode::Pow, {a, b});
  return Exp2(Mul(b, Log2(a)));
}

Components MathBuilder::Abs(const Components &a) {
  if (emitter.Profile().Has(Opcode::Abs)) return Map(Opcode::Abs, {a});
  return Max(a, Neg(a));
}

Components MathBuilder::Frac(const Components &a) {
  if (!emitter.Profile().FracNeedsY()) return Map(Opcode::Frc, {a});
  // vs_1_1 writes frc's result to .y or .xy only: two components an instruction.
  Components out;
  for (size_t i = 0; i < a.size(); i += 2) {
    if (i + 1 < a.size()) {
      const Components pair = emitter.Emit(Opcode::Frc, 0x3, {{a[i], a[i + 1]}});
      out.insert(out.end(), pair.begin(), pair.end());
    } else {
      out.push_back(emitter.Emit(Opcode::Frc, 0x2, {{a[i], a[i]}}).front());
    }
  }
  return out;
}

Components MathBuilder::Floor(const Components &a) { return Sub(a, Frac(a)); }

Components MathBuilder::Trunc(const Components &a) {
  const Components magnitude = Abs(a);
  const Components whole = Floor(magnitude);
  return Select(Compare(Comparison::Lt, a, Literal(0.0f)), Neg(whole), whole);
}

Components MathBuilder::Saturate(const Components &a) {
  if (emitter.Profile().HasSaturate()) return Map(Opcode::Mov, {a}, kResultSaturate);
  return Min(Max(a, Literal(0.0f)), Literal(1.0f));
}

Components MathBuilder::Lerp(const Components &a, const Components &b, const Components &t) {
  if (emitter.Profile().Has(Opcode::Lrp)) return Map(Opcode::Lrp, {t, b, a});
  return Mad(t, Sub(b, a), a);
}

Component MathBuilder::Dot(const Components &a, const Components &b) {
  const size_t n = std::max(a.size(), b.size());
  const Components x = Widen(a, n), y = Widen(b, n);
  if (n == 1) return Mul(x, y).front();
  if (n == 2) {
    if (emitter.Profile().pixel)
      return emitter.Emit(Opcode::Dp2Add, 0x1, {x, y, Literal(0.0f)}).front();
    return Mad({x[1]}, {y[1]}, Mul({x[0]}, {y[0]})).front();
  }
  return emitter.Emit(n == 3 ? Opcode::Dp3 : Opcode::Dp4, 0x1, {x, y}).front();
}

Components MathBuilder::Sin(const Components &a) { return SinCos(a, false); }
Components MathBuilder::Cos(const Components &a) { return SinCos(a, true); }

Components MathBuilder::SinCos(const Components &a, bool cosine) {
  if (AllLiterals(a)) {
    Components out;
    for (const Component &c : a)
      out.push_back(Component::Constant(cosine ? std::cos(c.value) : std::sin(c.value)));
    return out;
  }
  if (!emitter.Profile().Has(Opcode::SinCos)) return SinCosPolynomial(a, cosine);
  // sincos takes angles from -pi to pi: a whole number of turns is taken off first.
  const Components turns = Frac(Mad(a, Literal(kInverseTwoPi), Literal(0.5f)));
  const Components angle = Mad(turns, Literal(kTwoPi), Literal(-kPi));
  Components constant1, constant2;
  const uint32_t r1 = emitter.Pool().PlaceWhole(kSinCosConstant1);
  const uint32_t r2 = emitter.Pool().PlaceWhole(kSinCosConstant2);
  for (uint8_t lane = 0; lane < 4; ++lane) {
    constant1.push_back(Component::Lane(vreg::Literal, r1, lane));
    constant2.push_back(Component::Lane(vreg::Literal, r2, lane));
  }
  Components out;
  for (const Component &c : angle)
    out.push_back(
        emitter.Emit(Opcode::SinCos, cosine ? 0x1 : 0x2, {{c}, constant1, constant2}).front());
  return out;
}

// vs_1_1 has no sine: the angle in turns, folded into a triangle wave y from -1 to 1 whose
// sin(pi/2 * y) is the sine wanted, and a series in y.
Components MathBuilder::SinCosPolynomial(const Components &a, bool cosine) {
  const Components turns = Frac(Mad(a, Literal(kInverseTwoPi), Literal(cosine ? 0.5f : 0.25f)));
  const Components folded = Abs(Add(turns, Literal(-0.5f)));
  const Components y = Mad(folded, Literal(-4.0f), Literal(1.0f));
  const Components y2 = Mul(y, y);
  Components p = Mad(y2, Literal(kSine[5]), Literal(kSine[4]));
  for (int k = 3; k >= 0; --k) p = Mad(p, y2, Literal(kSine[k]));
  return Mul(p, y);
}

const MathBuilder::Origin *MathBuilder::OriginOf(const Component &c) const {
  if (!c.IsRegister() || c.type != vreg::Temp || c.negate) return nullptr;
  const auto found = origins.find({c.number, c.lane});
  return found == origins.end() ? nullptr : &found->second;
}

Components MathBuilder::Compare(Comparison op, const Components &a, const Components &b) {
  if (emitter.Profile().pixel) return CompareByCmp(op, a, b);
  switch (op) {
  case Comparison::Lt:
    return Map(Opcode::Slt, {a, b});
  case Comparison::Gt:
    return Map(Opcode::Slt, {b, a});
  case Comparison::Ge:
    return Map(Opcode::Sge, {a, b});
  case Comparison::Le:
    return Map(Opcode::Sge, {b, a});
  case Comparison::Eq:
    return Mul(Map(Opcode::Sge, {a, b}), Map(Opcode::Sge, {b, a}));
  case Comparison::Ne:
    return Add(Map(Opcode::Slt, {a, b}), Map(Opcode::Slt, {b, a}));
  case Comparison::None:
    break;
  }
  return Literal(0.0f);
}

// Pixel shaders compare by the sign of a difference: cmp picks by difference >= 0.
Components MathBuilder::CompareByCmp(Comparison op, const Components &a, const Components &b) {
  const bool reversed = op == Comparison::Gt || op == Comparison::Le;
  const Components difference = reversed ? Sub(b, a) : Sub(a, b);
  const Components one = Literal(1.0f), zero = Literal(0.0f);
  Components out;
  switch (op) {
  case Comparison::Ge:
  case Comparison::Le:
    out = Map(Opcode::Cmp, {difference, one, zero});
    break;
  case Comparison::Lt:
  case Comparison::Gt:
    out = Map(Opcode::Cmp, {difference, zero, one});
    break;
  case Comparison::Eq:
    return Map(Opcode::Cmp, {Neg(difference), Map(Opcode::Cmp, {difference, one, zero}), zero});
  case Comparison::Ne:
    return Map(Opcode::Cmp, {Neg(difference), Map(Opcode::Cmp, {difference, zero, one}), one});
  case Comparison::None:
    return zero;
  }
  const bool notNegativeIsTrue = op == Comparison::Ge || op == Comparison::Le;
  const Components widened = Widen(difference, out.size());
  for (size_t i = 0; i < out.size(); ++i)
    if (out[i].IsRegister() && out[i].type == vreg::Temp)
      origins[{out[i].number, out[i].lane}] = Origin{widened[i], notNegativeIsTrue};
  return out;
}

Components MathBuilder::Select(const Components &condition, const Components &whenTrue,
                               const Components &whenFalse) {
  const size_t n = std::max({condition.size(), whenTrue.size(), whenFalse.size()});
  const Components c = Widen(condition, n), t = Widen(whenTrue, n), f = Widen(whenFalse, n);
  Components out = f;
  std::vector<size_t> positions;
  for (size_t i = 0; i < n; ++i) {
    if (t[i] == f[i]) continue;
    if (c[i].IsLiteral()) {
      out[i] = c[i].value != 0.0f ? t[i] : f[i];
      continue;
    }
    positions.push_back(i);
  }
  if (positions.empty()) return out;
  Components cc, ct, cf;
  for (size_t i : positions) {
    cc.push_back(c[i]);
    ct.push_back(t[i]);
    cf.push_back(f[i]);
  }
  Components picked;
  if (AllLiteral(ct, 1.0f) && AllLiteral(cf, 0.0f)) {
    picked = cc; // the condition is the value
  } else if (AllLiteral(ct, 0.0f) && AllLiteral(cf, 1.0f)) {
    picked = Not(cc);
  } else if (emitter.Profile().Has(Opcode::Cmp)) {
    const Origin *origin = OriginOf(cc[0]);
    for (const Component &x : cc)
      if (x != cc[0]) origin = nullptr;
    if (origin) {
      const Components difference(cc.size(), origin->difference);
      picked = origin->trueWhenNotNegative ? Map(Opcode::Cmp, {difference, ct, cf})
                                           : Map(Opcode::Cmp, {difference, cf, ct});
    } else {
      picked = Map(Opcode::Cmp, {Neg(cc), cf, ct});
    }
  } else if (AllLiteral(cf, 0.0f)) {
    picked = Mul(ct, cc);
  } else if (AllLiteral(ct, 0.0f)) {
    picked = Mul(cf, Not(cc));
  } else {
    // Both products are exact for a condition of 0 or 1, so the chosen value comes through
    // unchanged (as long as the other one is finite).
    picked = Mad(cf, Not(cc), Mul(ct, cc));
  }
  for (size_t k = 0; k < positions.size(); ++k) out[positions[k]] = picked[k];
  return out;
}

Components MathBuilder::Not(const Components &a) { return Sub(Literal(1.0f), a); }
Components MathBuilder::And(const Components &a, const Components &b) { return Mul(a, b); }
Components MathBuilder::Or(const Components &a, const Components &b) { return Max(a, b); }

} // namespace zrq::d3dx9
