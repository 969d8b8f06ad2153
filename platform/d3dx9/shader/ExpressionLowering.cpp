#include "platform/d3dx9/shader/ExpressionLowering.h"

#include <algorithm>
#include <cmath>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/FunctionInliner.h"
#include "platform/d3dx9/shader/IntrinsicLowering.h"
#include "platform/d3dx9/shader/TypeRules.h"

namespace zrq::d3dx9 {
namespace {

int SwizzleLane(char c, bool &colour) {
  static const std::string kXyzw = "xyzw", kRgba = "rgba";
  if (const size_t at = kXyzw.find(c); at != std::string::npos) return static_cast<int>(at);
  if (const size_t at = kRgba.find(c); at != std::string::npos) {
    colour = true;
    return static_cast<int>(at);
  }
  return -1;
}

} // namespace

Components ExpressionLowering::Pick(const Components &from, const std::vector<uint32_t> &indices) {
  Components out;
  for (uint32_t i : indices) out.push_back(from[i]);
  return out;
}

Value ExpressionLowering::Lower(const Expression &e) {
  context.emitter.At(e.location);
  switch (e.kind) {
  case ExpressionKind::Literal:
    return Value{e.type, {Component::Constant(e.number)}};
  case ExpressionKind::Identifier: {
    const Variable *v = context.environment.Find(e.text);
    if (!v)
      context.diagnostics.Error(e.location, error::kUndeclared,
                                "undeclared identifier '" + e.text + "'");
    return Value{v->type, v->components};
  }
  case ExpressionKind::Unary:
    return Unary(e);
  case ExpressionKind::Binary:
    return Binary(e);
  case ExpressionKind::Assign:
    return Assign(e);
  case ExpressionKind::Conditional:
    return Conditional(e);
  case ExpressionKind::Call:
    return Call(e);
  case ExpressionKind::Constructor:
    return Constructor(e);
  case ExpressionKind::Member: {
    const Value base = Lower(*e.operands[0]);
    const Selection s = SelectMember(base.type, e.text, e.location);
    return Value{s.type, Pick(base.components, s.indices)};
  }
  case ExpressionKind::Index: {
    const Value base = Lower(*e.operands[0]);
    const Selection s = SelectIndex(base.type, LiteralInteger(*e.operands[1]), e.location);
    return Value{s.type, Pick(base.components, s.indices)};
  }
  case ExpressionKind::Cast: {
    const Value v = Lower(*e.operands[0]);
    context.emitter.At(e.location);
    return Value{e.type, Convert(context, v, e.type, e.location, true)};
  }
  case ExpressionKind::PreIncrement:
  case ExpressionKind::PostIncrement:
    return Increment(e);
  case ExpressionKind::InitializerList:
    break;
  }
  context.diagnostics.Error(e.location, error::kSyntax,
                            "an initializer list may only initialize a variable");
}

int64_t ExpressionLowering::LiteralInteger(const Expression &e) {
  const Value v = Lower(e);
  if (!v.type.IsScalar() || !v.components[0].IsLiteral() ||
      v.components[0].value != std::floor(v.components[0].value) ||
      std::fabs(v.components[0].value) > 1e9f)
    context.diagnostics.Error(
        e.location, error::kNotConstant,
        "the index must be a whole number known when compiling (a literal, or a loop counter)");
  return static_cast<int64_t>(v.components[0].value);
}

ExpressionLowering::Selection ExpressionLowering::SelectMember(const HlslType &base,
                                                               const std::string &name,
                                                               const SourceLocation &where) {
  const auto invalid = [&]() {
    context.diagnostics.Error(where, error::kBadSubscript,
                              "invalid subscript '" + name + "' of '" + base.Name() + "'");
  };
  Selection s;
  if (base.base == BaseType::Struct && !base.IsArray()) {
    uint32_t offset = 0;
    for (const StructField &f : base.structInfo->fields) {
      const uint32_t n = f.type.ComponentCount();
      if (f.name == name) {
        s.type = f.type;
        for (uint32_t i = 0; i < n; ++i) s.indices.push_back(offset + i);
        return s;
      }
      offset += n;
    }
    invalid();
  }
  if (!base.IsNumeric()) invalid();
  if (base.shape == Shape::Matrix) {
    // _m00 (from 0) or _11 (from 1), repeated.
    size_t i = 0;
    while (i < name.size()) {
      if (name[i] != '_' || s.indices.size() == 4) invalid();
      const bool zeroBased = i + 1 < name.size() && name[i + 1] == 'm';
      const size_t at = i + (zeroBased ? 2 : 1);
      if (at + 2 > name.size()) invalid();
      const int first = zeroBased ? 0 : 1;
      const int r = name[at] - '0' - first, c = name[at + 1] - '0' - first;
      if (r < 0 || c < 0 || r >= base.rows || c >= base.columns) invalid();
      s.indices.push_back(static_cast<uint32_t>(r * base.columns + c));
      i = at + 2;
    }
    if (s.indices.empty()) invalid();
  } else {
    if (name.empty() || name.size() > 4) invalid();
    bool colour = false, position = false;
    for (char c : name) {
      bool isColour = false;
      const int lane = SwizzleLane(c, isColour);
      (isColour ? colour : position) = true;
      if (lane < 0 || lane >= base.columns) invalid();
      s.indices.push_back(static_cast<uint32_t>(lane));
    }
    if (colour && position) invalid();
  }
  s.type = HlslType::Numeric(base.base, static_cast<int>(s.indices.size()));
  return s;
}

ExpressionLowering::Selection ExpressionLowering::SelectIndex(const HlslType &base, int64_t index,
                                                              const SourceLocation &where) {
  Selection s;
  uint32_t count = 0, size = 0;
  if (base.IsArray()) {
    s.type = base.Element();
    count = s.type.ComponentCount();
    size = base.arraySize;
  } else if (base.IsNumeric() && base.shape == Shape::Vector) {
    s.type = HlslType::Scalar(base.base);
    count = 1;
    size = base.columns;
  } else if (base.IsNumeric() && base.shape == Shape::Matrix) {
    s.type = HlslType::Vector(base.base, base.columns);
    count = base.columns;
    size = base.rows;
  } else {
    context.diagnostics.Error(where, error::kBadSubscript,
                              "'" + base.Name() + "' cannot be indexed");
  }
  if (index < 0 || index >= size)
    context.diagnostics.Error(where, error::kBadSubscript,
                              "index " + std::to_string(index) + " is out of bounds for '" +
                                  base.Name() + "'");
  for (uint32_t i = 0; i < count; ++i)
    s.indices.push_back(static_cast<uint32_t>(index) * count + i);
  return s;
}

ExpressionLowering::Place ExpressionLowering::LowerPlace(const Expression &e) {
  context.emitter.At(e.location);
  if (e.kind == ExpressionKind::Identifier) {
    const Variable *v = context.environment.Find(e.text);
    if (!v)
      context.diagnostics.Error(e.location, error::kUndeclared,
                                "undeclared identifier '" + e.text + "'");
    Place p{e.text, v->type, {}, e.location};
    for (uint32_t i = 0; i < v->type.ComponentCount(); ++i) p.components.push_back(i);
    return p;
  }
  if (e.kind == ExpressionKind::Member || e.kind == ExpressionKind::Index) {
    Place base = LowerPlace(*e.operands[0]);
    const Selection s = e.kind == ExpressionKind::Member
                            ? SelectMember(base.type, e.text, e.location)
                            : SelectIndex(base.type, LiteralInteger(*e.operands[1]), e.location);
    std::vector<uint32_t> indices;
    for (uint32_t i : s.indices) indices.push_back(base.components[i]);
    return Place{base.variable, s.type, indices, e.location};
  }
  context.diagnostics.Error(e.location, error::kReadOnly,
                            "the left side of an assignment must be a variable");
}

Value ExpressionLowering::Read(const Place &place) {
  const Variable *v = context.environment.Find(place.variable);
  return Value{place.type, Pick(v->components, place.components)};
}

void ExpressionLowering::Store(const Place &place, const Value &value) {
  Variable *v = context.environment.Find(place.variable);
  if (v->readOnly)
    context.diagnostics.Error(place.location, error::kReadOnly,
                              "l-value specifies const object '" + place.variable + "'");
  std::vector<uint32_t> sorted = place.components;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
    context.diagnostics.Error(place.location, error::kBadSubscript,
                              "a component is written twice by one assignment");
  context.emitter.At(place.location);
  const Components now = Convert(context, value, place.type, place.location);
  const Components guarded = context.Guard(Pick(v->components, place.components), now);
  v = context.environment.Find(place.variable); // guarding may not move it, but stay safe
  for (size_t i = 0; i < place.components.size(); ++i)
    v->components[place.components[i]] = guarded[i];
}

Value ExpressionLowering::Unary(const Expression &e) {
  const Value v = Lower(*e.operands[0]);
  context.emitter.At(e.location);
  if (e.text == "!") {
    const HlslType t = WithBase(v.type, BaseType::Bool);
    return Value{t, context.math.Not(Truth(context, v))};
  }
  if (!v.type.IsNumeric())
    context.diagnostics.Error(e.location, error::kTypeMismatch,
                              "unary '" + e.text + "' cannot be applied to '" + v.type.Name() +
                                  "'");
  if (e.text == "~")
    context.diagnostics.Error(e.location, error::kNotSupported,
                              "bitwise operators are not supported by this profile");
  const HlslType t = v.type.base == BaseType::Bool ? WithBase(v.type, BaseType::Int) : v.type;
  return Value{t, e.text == "-" ? MathBuilder::Neg(v.components) : v.components};
}

Value ExpressionLowering::Arithmetic(const std::string &op, const Value &a, const Value &b,
                                     const SourceLocation &where) {
  HlslType t = CommonType(context, a.type, b.type, where);
  if (t.base == BaseType::Bool) t.base = BaseType::Int;
  const Components x = Convert(context, a, t, where), y = Convert(context, b, t, where);
  MathBuilder &m = context.math;
  Components out;
  if (op == "+" || op == "+=") {
    out = m.Add(x, y);
  } else if (op == "-" || op == "-=") {
    out = m.Sub(x, y);
  } else if (op == "*" || op == "*=") {
    out = m.Mul(x, y);
  } else if (op == "/" || op == "/=") {
    out = m.Div(x, y);
    if (t.base == BaseType::Int) out = m.Trunc(out);
  } else {
    // a % b keeps the sign of a: a - b * trunc(a / b).
    out = m.Sub(x, m.Mul(y, m.Trunc(m.Div(x, y))));
  }
  return Value{t, out};
}

Value ExpressionLowering::Binary(const Expression &e) {
  const Value a = Lower(*e.operands[0]);
  const Value b = Lower(*e.operands[1]);
  context.emitter.At(e.location);
  const std::string &op = e.text;
  if (op == "&&" || op == "||") {
    const HlslType t = WithBase(CommonType(context, a.type, b.type, e.location), BaseType::Bool);
    const Components x =
        Convert(context, Value{WithBase(a.type, BaseType::Bool), Truth(context, a)}, t, e.location);
    const Components y =
        Convert(context, Value{WithBase(b.type, BaseType::Bool), Truth(context, b)}, t, e.location);
    return Value{t, op == "&&" ? context.math.And(x, y) : context.math.Or(x, y)};
  }
  static const std::pair<const char *, Comparison> kComparisons[] = {
      {"==", Comparison::Eq}, {"!=", Comparison::Ne}, {"<", Comparison::Lt},
      {">", Comparison::Gt},  {"<=", Comparison::Le}, {">=", Comparison::Ge}};
  for (const auto &[spelling, comparison] : kComparisons)
    if (op == spelling) {
      const HlslType t = CommonType(context, a.type, b.type, e.location);
      const Components x = Convert(context, a, t, e.location),
                       y = Convert(context, b, t, e.location);
      return Value{WithBase(t, BaseType::Bool), context.math.Compare(comparison, x, y)};
    }
  if (op == "+" || op == "-" || op == "*" || op == "/" || op == "%")
    return Arithmetic(op, a, b, e.location);
  context.diagnostics.Error(e.location, error::kNotSupported,
                            "operator '" + op +
                                "' is not supported by this profile (integer bit operations)");
}

Value ExpressionLowering::Assign(const Expression &e) {
  const Place place = LowerPlace(*e.operands[0]);
  Value value = Lower(*e.operands[1]);
  if (e.text != "=") value = Arithmetic(e.text, Read(place), value, e.location);
  Store(place, value);
  return Read(place);
}

Value ExpressionLowering::Conditional(const Expression &e) {
  const Value condition = Lower(*e.operands[0]);
  const Value a = Lower(*e.operands[1]);
  const Value b = Lower(*e.operands[2]);
  context.emitter.At(e.location);
  const Components truth = Truth(context, condition);
  if (a.type.base == BaseType::Struct || a.type.IsArray()) {
    if (a.type != b.type || truth.size() != 1)
      context.diagnostics.Error(e.location, error::kTypeMismatch,
                                "both sides of '?:' must have one type");
    return Value{a.type, context.math.Select(truth, a.components, b.components)};
  }
  const HlslType t = CommonType(context, a.type, b.type, e.location);
  if (truth.size() != 1 && truth.size() != t.ComponentCount())
    context.diagnostics.Error(e.location, error::kTypeMismatch,
                              "the condition of '?:' does not match its values");
  return Value{t, context.math.Select(truth, Convert(context, a, t, e.location),
                                      Convert(context, b, t, e.location))};
}

Value ExpressionLowering::Constructor(const Expression &e) {
  const HlslType &t = e.type;
  if (!t.IsNumeric())
    context.diagnostics.Error(e.location, error::kNotSupported,
                              "'" + t.Name() + "' cannot be constructed");
  Components all;
  for (const auto &argument : e.operands) {
    const Value v = Lower(*argument);
    context.emitter.At(argument->location);
    if (!v.type.IsNumeric())
      context.diagnostics.Error(argument->location, error::kCannotConvert,
                                "'" + v.type.Name() + "' cannot build a '" + t.Name() + "'");
    const Components c = Convert(context, v, WithBase(v.type, t.base), argument->location);
    all.insert(all.end(), c.begin(), c.end());
  }
  const uint32_t n = t.ComponentCount();
  if (all.size() == 1 && n > 1) all.assign(n, all[0]);
  if (all.size() != n)
    context.diagnostics.Error(e.location, error::kArgumentCount,
                              "'" + t.Name() + "' needs " + std::to_string(n) +
                                  " components, not " + std::to_string(all.size()));
  return Value{t, all};
}

Value ExpressionLowering::Increment(const Expression &e) {
  const Place place = LowerPlace(*e.operands[0]);
  const Value old = Read(place);
  const Value one{HlslType::Scalar(BaseType::Int), {Component::Constant(1.0f)}};
  Store(place, Arithmetic(e.text == "++" ? "+" : "-", old, one, e.location));
  return e.kind == ExpressionKind::PreIncrement ? Read(place) : old;
}

Value ExpressionLowering::Call(const Expression &e) {
  if (context.functions->Has(e.text)) return context.functions->Call(e);
  if (!context.intrinsics->Has(e.text))
    context.diagnostics.Error(e.location, error::kUndeclared,
                              "undeclared identifier '" + e.text + "'");
  std::vector<Value> arguments;
  for (const auto &argument : e.operands) arguments.push_back(Lower(*argument));
  context.emitter.At(e.location);
  return context.intrinsics->Call(e.text, arguments, e.location);
}

} // namespace zrq::d3dx9
