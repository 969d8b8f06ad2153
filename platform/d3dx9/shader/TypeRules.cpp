#include "platform/d3dx9/shader/TypeRules.h"

#include <algorithm>

#include "platform/d3dx9/shader/ErrorCodes.h"

namespace zrq::d3dx9 {
namespace {

[[noreturn]] void CannotConvert(LoweringContext &context, const HlslType &from, const HlslType &to,
                                const SourceLocation &where) {
  context.diagnostics.Error(where, error::kCannotConvert,
                            "cannot implicitly convert from '" + from.Name() + "' to '" +
                                to.Name() + "'");
}

// The base type's own encoding of each component: ints are whole, bools 0 or 1.
Components ChangeBase(LoweringContext &context, const Components &c, BaseType from, BaseType to) {
  if (from == to || to == BaseType::Float || (from == BaseType::Bool && to == BaseType::Int))
    return c;
  if (to == BaseType::Int) return context.math.Trunc(c);
  return context.math.Compare(Comparison::Ne, c, {Component::Constant(0.0f)});
}

} // namespace

HlslType WithBase(HlslType type, BaseType base) {
  type.base = base;
  return type;
}

Components Convert(LoweringContext &context, const Value &from, const HlslType &to,
                   const SourceLocation &where, bool explicitCast) {
  const HlslType &f = from.type;
  if (f == to) return from.components;
  if (to.base == BaseType::Struct || to.IsArray() || f.base == BaseType::Struct || f.IsArray()) {
    // (S)0 and (float4[2])x: a scalar fills every component of a struct or an array.
    if (explicitCast && f.IsScalar()) {
      return Components(to.ComponentCount(), from.components[0]);
    }
    CannotConvert(context, f, to, where);
  }
  if (f.base == BaseType::Sampler || to.base == BaseType::Sampler || to.base == BaseType::Void ||
      !f.IsNumeric())
    CannotConvert(context, f, to, where);

  Components shaped;
  const uint32_t fromCount = f.ComponentCount(), toCount = to.ComponentCount();
  if (f.shape == Shape::Scalar) {
    shaped.assign(toCount, from.components[0]);
  } else if (to.shape == Shape::Matrix && f.shape == Shape::Matrix) {
    if (to.rows > f.rows || to.columns > f.columns) CannotConvert(context, f, to, where);
    for (int r = 0; r < to.rows; ++r)
      for (int c = 0; c < to.columns; ++c) shaped.push_back(from.components[r * f.columns + c]);
  } else if ((to.shape == Shape::Matrix) != (f.shape == Shape::Matrix) &&
             to.shape != Shape::Scalar) {
    // A vector and a matrix of as many components convert component by component.
    if (fromCount != toCount) CannotConvert(context, f, to, where);
    shaped = from.components;
  } else {
    if (toCount > fromCount) CannotConvert(context, f, to, where);
    shaped.assign(from.components.begin(), from.components.begin() + toCount);
  }
  if (toCount < fromCount && !explicitCast)
    context.diagnostics.Warning(where, error::kImplicitTruncation,
                                "implicit truncation of vector type");
  return ChangeBase(context, shaped, f.base, to.base);
}

HlslType CommonType(LoweringContext &context, const HlslType &a, const HlslType &b,
                    const SourceLocation &where) {
  if (!a.IsNumeric() || !b.IsNumeric())
    context.diagnostics.Error(where, error::kTypeMismatch,
                              "operator cannot be applied to '" + a.Name() + "' and '" + b.Name() +
                                  "'");
  const BaseType base = std::max(a.base, b.base);
  if (a.shape == Shape::Scalar) return WithBase(b, base);
  if (b.shape == Shape::Scalar) return WithBase(a, base);
  if (a.shape == Shape::Vector && b.shape == Shape::Vector)
    return HlslType::Vector(base, std::min(a.columns, b.columns));
  if (a.shape == Shape::Matrix && b.shape == Shape::Matrix)
    return HlslType::Matrix(base, std::min(a.rows, b.rows), std::min(a.columns, b.columns));
  context.diagnostics.Error(where, error::kTypeMismatch,
                            "type mismatch between '" + a.Name() + "' and '" + b.Name() + "'");
}

Components Truth(LoweringContext &context, const Value &value) {
  if (!value.type.IsNumeric())
    context.diagnostics.Error(context.emitter.Where(), error::kCannotConvert,
                              "cannot convert '" + value.type.Name() + "' to bool");
  return ChangeBase(context, value.components, value.type.base, BaseType::Bool);
}

} // namespace zrq::d3dx9
