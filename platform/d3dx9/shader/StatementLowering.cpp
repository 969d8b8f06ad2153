#include "platform/d3dx9/shader/StatementLowering.h"

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/ExpressionLowering.h"
#include "platform/d3dx9/shader/TypeRules.h"

namespace zrq::d3dx9 {
namespace {

constexpr int kMaxIterations = 1024;

bool IsLiteral(const Components &c, float v) { return c.size() == 1 && c[0].IsLiteral(v); }

} // namespace

void StatementLowering::Lower(const Statement &s) {
  context.emitter.At(s.location);
  switch (s.kind) {
  case StatementKind::Block:
    context.environment.PushScope();
    for (const auto &inner : s.statements) Lower(*inner);
    context.environment.PopScope();
    return;
  case StatementKind::Declaration:
    for (const VariableDeclaration &v : s.declarations) Declare(v);
    return;
  case StatementKind::Expression:
    context.expressions->Lower(*s.expression);
    return;
  case StatementKind::If:
    If(s);
    return;
  case StatementKind::For:
  case StatementKind::While:
  case StatementKind::DoWhile:
    Loop(s);
    return;
  case StatementKind::Return:
    Return(s);
    return;
  case StatementKind::Break:
  case StatementKind::Continue: {
    if (context.activeFlags.back().size() < 3)
      context.diagnostics.Error(s.location, error::kSyntax,
                                std::string(s.kind == StatementKind::Break ? "break" : "continue") +
                                    " outside a loop");
    const std::vector<std::string> &flags = context.activeFlags.back();
    const std::string flag = flags[flags.size() - (s.kind == StatementKind::Break ? 2 : 1)];
    SetFlag(flag);
    return;
  }
  case StatementKind::Discard:
    if (!context.profile.pixel)
      context.diagnostics.Error(s.location, error::kIntrinsicNotInProfile,
                                "discard is only available in pixel shaders");
    SetFlag(kDiscardFlag);
    return;
  case StatementKind::Empty:
    return;
  }
}

Components StatementLowering::Initial(const Expression &initializer, const HlslType &type) {
  if (initializer.kind != ExpressionKind::InitializerList) {
    const Value v = context.expressions->Lower(initializer);
    context.emitter.At(initializer.location);
    return Convert(context, v, type, initializer.location);
  }
  // { a, b, ... }: the values' components fill the variable's in order.
  Components all;
  for (const auto &item : initializer.operands) {
    const Value v = context.expressions->Lower(*item);
    if (!v.type.IsNumeric())
      context.diagnostics.Error(item->location, error::kCannotConvert,
                                "initializer lists take numbers only");
    all.insert(all.end(), v.components.begin(), v.components.end());
  }
  if (all.size() != type.ComponentCount())
    context.diagnostics.Error(initializer.location, error::kArgumentCount,
                              "'" + type.Name() + "' takes " +
                                  std::to_string(type.ComponentCount()) + " initial values, not " +
                                  std::to_string(all.size()));
  return all;
}

void StatementLowering::Declare(const VariableDeclaration &v) {
  if (v.type.IsVoid() || v.type.base == BaseType::Sampler)
    context.diagnostics.Error(v.location, error::kNotSupported,
                              "'" + v.type.Name() + "' cannot be a local variable");
  Variable variable{v.type, Components(v.type.ComponentCount()), false};
  if (v.initializer) variable.components = Initial(*v.initializer, v.type);
  variable.readOnly = v.isConst;
  if (!context.environment.Declare(v.name, std::move(variable)))
    context.diagnostics.Error(v.location, error::kRedefinition, "redefinition of '" + v.name + "'");
}

void StatementLowering::If(const Statement &s) {
  const Value condition = context.expressions->Lower(*s.expression);
  context.emitter.At(s.expression->location);
  const Components truth = Truth(context, condition);
  if (truth.size() != 1)
    context.diagnostics.Error(s.expression->location, error::kTypeMismatch,
                              "the condition of 'if' must be a scalar");
  // A condition known when compiling takes its branch only.
  if (truth[0].IsLiteral()) {
    const Statement *taken = truth[0].value != 0.0f ? s.body.get() : s.otherwise.get();
    if (taken) {
      context.environment.PushScope();
      Lower(*taken);
      context.environment.PopScope();
    }
    return;
  }
  Environment before = context.environment;
  context.environment.PushScope();
  Lower(*s.body);
  context.environment.PopScope();
  Environment whenTrue = std::move(context.environment);
  context.environment = std::move(before);
  if (s.otherwise) {
    context.environment.PushScope();
    Lower(*s.otherwise);
    context.environment.PopScope();
  }
  context.emitter.At(s.location);
  context.environment.MergeWith(
      whenTrue, [&](const std::string &, Variable &whenFalse, Variable &taken) {
        whenFalse.components = context.Merge(truth[0], taken.components, whenFalse.components);
      });
}

void StatementLowering::SetFlag(const std::string &name) {
  Variable *flag = context.environment.Find(name);
  const Components set = context.Guard(flag->components, {Component::Constant(1.0f)});
  context.environment.Find(name)->components = set;
}

void StatementLowering::Return(const Statement &s) {
  // A copy: the value's expression may call functions, which push return types of their own.
  const HlslType type = context.returnTypes.back();
  Components value;
  if (s.expression) {
    const Value v = context.expressions->Lower(*s.expression);
    context.emitter.At(s.location);
    if (type.IsVoid())
      context.diagnostics.Error(s.location, error::kTypeMismatch,
                                "a void function returns no value");
    value = Convert(context, v, type, s.expression->location);
  } else if (!type.IsVoid()) {
    context.diagnostics.Error(s.location, error::kTypeMismatch, "the function must return a value");
  }
  // Both writes are guarded by what held before this return.
  Variable *result = context.environment.Find(kResultVariable);
  const Components guardedResult = context.Guard(result->components, value);
  const Components returned = context.Guard(context.environment.Find(kReturnedFlag)->components,
                                            {Component::Constant(1.0f)});
  context.environment.Find(kResultVariable)->components = guardedResult;
  context.environment.Find(kReturnedFlag)->components = returned;
}

bool StatementLowering::LoopContinues(const Statement &s, int iteration) {
  if (!s.expression) return true;
  const Value condition = context.expressions->Lower(*s.expression);
  context.emitter.At(s.expression->location);
  const Components truth = Truth(context, condition);
  if (truth.size() != 1 || !truth[0].IsLiteral())
    context.diagnostics.Error(
        s.expression->location, error::kUnrollFailed,
        "unable to unroll the loop: its condition must be known when compiling (iteration " +
            std::to_string(iteration) + ")");
  return truth[0].value != 0.0f;
}

void StatementLowering::Loop(const Statement &s) {
  context.environment.PushScope();
  if (s.init) Lower(*s.init);
  const std::string id = std::to_string(++context.loops);
  const std::string broken = "$break" + id, continued = "$continue" + id;
  const HlslType flagType = HlslType::Scalar(BaseType::Bool);
  context.environment.Declare(broken, Variable{flagType, {Component::Constant(0.0f)}});
  context.environment.Declare(continued, Variable{flagType, {Component::Constant(0.0f)}});
  std::vector<std::string> &flags = context.activeFlags.back();
  flags.push_back(broken);
  flags.push_back(continued);

  for (int iteration = 0;; ++iteration) {
    if (iteration >= kMaxIterations)
      context.diagnostics.Error(s.location, error::kUnrollFailed,
                                "unable to unroll the loop: it runs more than " +
                                    std::to_string(kMaxIterations) + " times");
    if (s.kind != StatementKind::DoWhile || iteration > 0) {
      if (!LoopContinues(s, iteration)) break;
    }
    if (IsLiteral(context.environment.Find(broken)->components, 1.0f)) break;
    context.environment.Find(continued)->components = {Component::Constant(0.0f)};
    context.environment.PushScope();
    Lower(*s.body);
    context.environment.PopScope();
    if (s.step) {
      // The step runs after continue too; the counter stays known when compiling.
      context.unguarded = true;
      context.expressions->Lower(*s.step);
      context.unguarded = false;
    }
  }
  context.activeFlags.back().pop_back();
  context.activeFlags.back().pop_back();
  context.environment.PopScope();
}

} // namespace zrq::d3dx9
