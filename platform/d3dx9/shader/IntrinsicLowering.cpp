#include "platform/d3dx9/shader/IntrinsicLowering.h"

#include <iterator>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/TypeRules.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {
namespace {

struct Intrinsic {
  const char *name;
  int arguments;
};

constexpr Intrinsic kIntrinsics[] = {
    {"mul", 2},      {"dot", 2},     {"cross", 2},   {"normalize", 1}, {"length", 1},
    {"distance", 2}, {"sin", 1},     {"cos", 1},     {"tan", 1},       {"frac", 1},
    {"abs", 1},      {"min", 2},     {"max", 2},     {"clamp", 3},     {"saturate", 1},
    {"lerp", 3},     {"sqrt", 1},    {"rsqrt", 1},   {"pow", 2},       {"exp", 1},
    {"exp2", 1},     {"log", 1},     {"log2", 1},    {"log10", 1},     {"floor", 1},
    {"ceil", 1},     {"round", 1},   {"trunc", 1},   {"step", 2},      {"smoothstep", 3},
    {"sign", 1},     {"reflect", 2}, {"radians", 1}, {"degrees", 1},   {"transpose", 1},
    {"fmod", 2},     {"any", 1},     {"all", 1},     {"clip", 1},      {"tex1D", 2},
    {"tex2D", 2},    {"tex3D", 2},   {"texCUBE", 2}, {"tex2Dproj", 2}, {"tex2Dbias", 2}};

Components Literal(float v) { return {Component::Constant(v)}; }

Components Row(const Value &m, int r) {
  return Components(m.components.begin() + r * m.type.columns,
                    m.components.begin() + (r + 1) * m.type.columns);
}

Components Column(const Value &m, int c) {
  Components out;
  for (int r = 0; r < m.type.rows; ++r) out.push_back(m.components[r * m.type.columns + c]);
  return out;
}

} // namespace

bool IntrinsicLowering::Has(const std::string &name) const {
  for (const Intrinsic &i : kIntrinsics)
    if (name == i.name) return true;
  return false;
}

HlslType IntrinsicLowering::FloatType(const std::vector<Value> &arguments,
                                      const SourceLocation &where) {
  HlslType t = arguments[0].type;
  for (size_t i = 1; i < arguments.size(); ++i)
    t = CommonType(context, t, arguments[i].type, where);
  if (!t.IsNumeric()) CommonType(context, t, t, where); // reports the mismatch
  return WithBase(t, BaseType::Float);
}

Components IntrinsicLowering::As(const Value &v, const HlslType &type,
                                 const SourceLocation &where) {
  return Convert(context, v, type, where);
}

Value IntrinsicLowering::Call(const std::string &name, const std::vector<Value> &args,
                              const SourceLocation &where) {
  for (const Intrinsic &i : kIntrinsics)
    if (name == i.name && static_cast<int>(args.size()) != i.arguments)
      context.diagnostics.Error(where, error::kArgumentCount,
                                "'" + name + "' takes " + std::to_string(i.arguments) +
                                    " arguments, not " + std::to_string(args.size()));
  if (name.compare(0, 3, "tex") == 0) return Texture(name, args, where);
  if (name == "clip") {
    Clip(args[0]);
    return Value{HlslType::Scalar(BaseType::Void), {}};
  }
  if (name == "mul") return Mul(args[0], args[1], where);
  MathBuilder &m = context.math;
  if (name == "any" || name == "all") {
    const Components truth = Truth(context, args[0]);
    Components r = {truth[0]};
    for (size_t i = 1; i < truth.size(); ++i)
      r = name == "any" ? m.Or(r, {truth[i]}) : m.And(r, {truth[i]});
    return Value{HlslType::Scalar(BaseType::Bool), r};
  }
  if (name == "transpose") {
    const Value &a = args[0];
    if (!a.type.IsNumeric() || a.type.shape != Shape::Matrix)
      context.diagnostics.Error(where, error::kTypeMismatch, "transpose takes a matrix");
    const HlslType t = HlslType::Matrix(a.type.base, a.type.columns, a.type.rows);
    Components out;
    for (int c = 0; c < a.type.columns; ++c) {
      const Components column = Column(a, c);
      out.insert(out.end(), column.begin(), column.end());
    }
    return Value{t, out};
  }

  const HlslType t = FloatType(args, where);
  std::vector<Components> x;
  for (const Value &a : args) x.push_back(As(a, t, where));
  const HlslType scalar = HlslType::Scalar(BaseType::Float);
  const auto value = [&](Components c) { return Value{t, std::move(c)}; };

  if (name == "dot" || name == "length" || name == "distance" || name == "normalize") {
    if (t.shape == Shape::Matrix)
      context.diagnostics.Error(where, error::kTypeMismatch, "'" + name + "' takes vectors");
    if (name == "dot") return Value{scalar, {m.Dot(x[0], x[1])}};
    const Components v = name == "distance" ? m.Sub(x[0], x[1]) : x[0];
    const Component square = m.Dot(v, v);
    if (name == "normalize") return value(m.Mul(v, m.Rsq({square})));
    return Value{scalar, m.Sqrt({square})};
  }
  if (name == "cross") {
    if (t.shape != Shape::Vector || t.columns != 3)
      context.diagnostics.Error(where, error::kTypeMismatch, "cross takes two float3 values");
    const Components &a = x[0], &b = x[1];
    return value(m.Sub(m.Mul({a[1], a[2], a[0]}, {b[2], b[0], b[1]}),
                       m.Mul({a[2], a[0], a[1]}, {b[1], b[2], b[0]})));
  }
  if (name == "reflect")
    return value(m.Sub(x[0], m.Mul(m.Mul(Literal(2.0f), {m.Dot(x[0], x[1])}), x[1])));
  if (name == "sin") return value(m.Sin(x[0]));
  if (name == "cos") return value(m.Cos(x[0]));
  if (name == "tan") return value(m.Div(m.Sin(x[0]), m.Cos(x[0])));
  if (name == "frac") return value(m.Frac(x[0]));
  if (name == "abs") return value(m.Abs(x[0]));
  if (name == "min") return value(m.Min(x[0], x[1]));
  if (name == "max") return value(m.Max(x[0], x[1]));
  if (name == "clamp") return value(m.Min(m.Max(x[0], x[1]), x[2]));
  if (name == "saturate") return value(m.Saturate(x[0]));
  if (name == "lerp") return value(m.Lerp(x[0], x[1], x[2]));
  if (name == "sqrt") return value(m.Sqrt(x[0]));
  if (name == "rsqrt") return value(m.Rsq(x[0]));
  if (name == "pow") return value(m.Pow(x[0], x[1]));
  if (name == "exp2") return value(m.Exp2(x[0]));
  if (name == "exp") return value(m.Exp2(m.Mul(x[0], Literal(1.44269504f))));
  if (name == "log2") return value(m.Log2(x[0]));
  if (name == "log") return value(m.Mul(m.Log2(x[0]), Literal(0.693147181f)));
  if (name == "log10") return value(m.Mul(m.Log2(x[0]), Literal(0.301029996f)));
  if (name == "floor") return value(m.Floor(x[0]));
  if (name == "ceil") return value(MathBuilder::Neg(m.Floor(MathBuilder::Neg(x[0]))));
  if (name == "round") return value(m.Floor(m.Add(x[0], Literal(0.5f))));
  if (name == "trunc") return value(m.Trunc(x[0]));
  if (name == "step") return value(m.Compare(Comparison::Ge, x[1], x[0]));
  if (name == "smoothstep") {
    const Components s = m.Saturate(m.Div(m.Sub(x[2], x[0]), m.Sub(x[1], x[0])));
    return value(m.Mul(m.Mul(s, s), m.Mad(s, Literal(-2.0f), Literal(3.0f))));
  }
  if (name == "sign")
    return value(m.Sub(m.Compare(Comparison::Gt, x[0], Literal(0.0f)),
                       m.Compare(Comparison::Lt, x[0], Literal(0.0f))));
  if (name == "radians") return value(m.Mul(x[0], Literal(0.0174532925f)));
  if (name == "degrees") return value(m.Mul(x[0], Literal(57.2957795f)));
  if (name == "fmod") return value(m.Sub(x[0], m.Mul(x[1], m.Trunc(m.Div(x[0], x[1])))));
  context.diagnostics.Error(where, error::kUndeclared, "undeclared identifier '" + name + "'");
}

// mul(a, b) is the product of linear algebra: row vector times matrix, matrix times column
// vector, matrix times matrix; with a scalar it scales.
Value IntrinsicLowering::Mul(const Value &a, const Value &b, const SourceLocation &where) {
  MathBuilder &m = context.math;
  if (!a.type.IsNumeric() || !b.type.IsNumeric())
    context.diagnostics.Error(where, error::kTypeMismatch,
                              "mul takes numbers, vectors and matrices");
  const Value x{WithBase(a.type, BaseType::Float), As(a, WithBase(a.type, BaseType::Float), where)};
  const Value y{WithBase(b.type, BaseType::Float), As(b, WithBase(b.type, BaseType::Float), where)};
  if (x.type.shape == Shape::Scalar) return Value{y.type, m.Mul(x.components, y.components)};
  if (y.type.shape == Shape::Scalar) return Value{x.type, m.Mul(x.components, y.components)};
  const bool xVector = x.type.shape == Shape::Vector, yVector = y.type.shape == Shape::Vector;
  const int xColumns = x.type.columns, yRows = yVector ? y.type.columns : y.type.rows;
  if (xColumns != yRows)
    context.diagnostics.Error(where, error::kNoMatchingFunction,
                              "mul cannot multiply '" + a.type.Name() + "' by '" + b.type.Name() +
                                  "'");
  if (xVector && yVector)
    return Value{HlslType::Scalar(BaseType::Float), {m.Dot(x.components, y.components)}};
  CodeEmitter &e = context.emitter;
  if (xVector) {
    // Each result is a dot product with a column; when the matrix is kept by rows instead,
    // multiply-adds of whole rows read it without moves.
    bool columns = true, rows = true;
    for (int c = 0; c < y.type.columns; ++c) columns &= e.FormsOperand(Column(y, c));
    for (int r = 0; r < y.type.rows; ++r) rows &= e.FormsOperand(Row(y, r));
    const HlslType t = HlslType::Vector(BaseType::Float, y.type.columns);
    if (!columns && rows) {
      Components sum = m.Mul({x.components[0]}, Row(y, 0));
      for (int r = 1; r < y.type.rows; ++r) sum = m.Mad({x.components[r]}, Row(y, r), sum);
      return Value{t, sum};
    }
    Components out;
    for (int c = 0; c < y.type.columns; ++c) out.push_back(m.Dot(x.components, Column(y, c)));
    return Value{t, out};
  }
  if (yVector) {
    bool rows = true, columns = true;
    for (int r = 0; r < x.type.rows; ++r) rows &= e.FormsOperand(Row(x, r));
    for (int c = 0; c < x.type.columns; ++c) columns &= e.FormsOperand(Column(x, c));
    const HlslType t = HlslType::Vector(BaseType::Float, x.type.rows);
    if (!rows && columns) {
      Components sum = m.Mul({y.components[0]}, Column(x, 0));
      for (int c = 1; c < x.type.columns; ++c) sum = m.Mad({y.components[c]}, Column(x, c), sum);
      return Value{t, sum};
    }
    Components out;
    for (int r = 0; r < x.type.rows; ++r) out.push_back(m.Dot(Row(x, r), y.components));
    return Value{t, out};
  }
  const HlslType t = HlslType::Matrix(BaseType::Float, x.type.rows, y.type.columns);
  Components out;
  for (int r = 0; r < x.type.rows; ++r)
    for (int c = 0; c < y.type.columns; ++c) out.push_back(m.Dot(Row(x, r), Column(y, c)));
  return Value{t, out};
}

Value IntrinsicLowering::Texture(const std::string &name, const std::vector<Value> &args,
                                 const SourceLocation &where) {
  if (!context.profile.pixel)
    context.diagnostics.Error(where, error::kIntrinsicNotInProfile,
                              "'" + name + "' is not available in " + context.profile.name);
  const Value &sampler = args[0];
  if (sampler.type.base != BaseType::Sampler || sampler.type.IsArray())
    context.diagnostics.Error(where, error::kTypeMismatch,
                              "the first argument of '" + name + "' must be a sampler");
  SamplerDimension dimension = SamplerDimension::Tex2D;
  int coordinates = 2;
  uint8_t controls = 0;
  if (name == "tex1D") {
    dimension = SamplerDimension::Tex1D;
    coordinates = 1;
  } else if (name == "tex3D" || name == "texCUBE") {
    dimension = name == "tex3D" ? SamplerDimension::Tex3D : SamplerDimension::Cube;
    coordinates = 3;
  } else if (name == "tex2Dproj" || name == "tex2Dbias") {
    coordinates = 4;
    controls = name == "tex2Dproj" ? kTexLdProject : kTexLdBias;
  }
  UniformInfo &u = context.io.uniforms[sampler.components[0].number];
  if (u.dimension == SamplerDimension::Any) u.dimension = dimension;
  if (u.dimension != dimension)
    context.diagnostics.Error(where, error::kTypeMismatch,
                              "'" + name + "' cannot read '" + u.name + "', a " +
                                  sampler.type.Name());
  const Components coordinate = As(args[1], HlslType::Numeric(BaseType::Float, coordinates), where);
  return Value{
      HlslType::Vector(BaseType::Float, 4),
      context.emitter.Emit(Opcode::Tex, 0xF, {coordinate, {sampler.components[0]}}, 0, controls)};
}

// clip(x) discards the pixel when any component of x is below zero.
void IntrinsicLowering::Clip(const Value &value) {
  if (!context.profile.pixel)
    context.diagnostics.Error(context.emitter.Where(), error::kIntrinsicNotInProfile,
                              "clip is only available in pixel shaders");
  MathBuilder &m = context.math;
  const Components x = As(value, WithBase(value.type, BaseType::Float), context.emitter.Where());
  const Components negative = m.Compare(Comparison::Lt, x, Literal(0.0f));
  Components any = {negative[0]};
  for (size_t i = 1; i < negative.size(); ++i) any = m.Or(any, {negative[i]});
  Variable *flag = context.environment.Find(kDiscardFlag);
  const Components set = context.Guard(flag->components, m.Or(flag->components, any));
  context.environment.Find(kDiscardFlag)->components = set;
}

} // namespace zrq::d3dx9
