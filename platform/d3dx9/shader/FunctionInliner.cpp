#include "platform/d3dx9/shader/FunctionInliner.h"

#include <algorithm>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/ExpressionLowering.h"
#include "platform/d3dx9/shader/StatementLowering.h"
#include "platform/d3dx9/shader/TypeRules.h"

namespace zrq::d3dx9 {
namespace {

constexpr size_t kMaxCallDepth = 32;

} // namespace

bool FunctionInliner::Has(const std::string &name) const {
  return std::any_of(context.program.functions.begin(), context.program.functions.end(),
                     [&](const FunctionDeclaration &f) { return f.name == name; });
}

// The function of that name taking as many arguments, preferring one whose parameter types
// match the arguments' exactly.
const FunctionDeclaration &FunctionInliner::Resolve(const Expression &call,
                                                    const std::vector<HlslType> &types) {
  const FunctionDeclaration *best = nullptr;
  size_t bestExact = 0;
  for (const FunctionDeclaration &f : context.program.functions) {
    if (f.name != call.text || f.parameters.size() != types.size()) continue;
    size_t exact = 0;
    for (size_t i = 0; i < types.size(); ++i) exact += f.parameters[i].type == types[i] ? 1 : 0;
    if (!best || exact > bestExact || (exact == bestExact && f.body && !best->body)) {
      best = &f;
      bestExact = exact;
    }
  }
  if (!best)
    context.diagnostics.Error(call.location, error::kNoMatchingFunction,
                              "no overload of '" + call.text + "' takes " +
                                  std::to_string(types.size()) + " arguments");
  if (!best->body)
    context.diagnostics.Error(call.location, error::kUndeclared,
                              "function '" + call.text + "' is declared but not defined");
  return *best;
}

Value FunctionInliner::Call(const Expression &call) {
  ExpressionLowering &expressions = *context.expressions;
  std::vector<Value> arguments;
  std::vector<HlslType> types;
  std::vector<ExpressionLowering::Place> places(call.operands.size());
  // Out arguments are places; their types still count for choosing the function.
  for (size_t i = 0; i < call.operands.size(); ++i) {
    arguments.push_back(expressions.Lower(*call.operands[i]));
    types.push_back(arguments.back().type);
  }
  const FunctionDeclaration &f = Resolve(call, types);
  for (size_t i = 0; i < f.parameters.size(); ++i)
    if (f.parameters[i].isOut) places[i] = expressions.LowerPlace(*call.operands[i]);
  std::vector<Value> inputs;
  for (size_t i = 0; i < f.parameters.size(); ++i) {
    const VariableDeclaration &p = f.parameters[i];
    context.emitter.At(call.operands[i]->location);
    inputs.push_back(
        p.isIn ? Value{p.type, Convert(context, arguments[i], p.type, call.operands[i]->location)}
               : Value{p.type, Components(p.type.ComponentCount())});
  }
  const Result result = Inline(f, inputs, call.location);
  for (size_t i = 0; i < f.parameters.size(); ++i)
    if (f.parameters[i].isOut) expressions.Store(places[i], result.parameters[i]);
  return result.returned;
}

FunctionInliner::Result FunctionInliner::Inline(const FunctionDeclaration &f,
                                                const std::vector<Value> &arguments,
                                                const SourceLocation &at) {
  if (std::find(active.begin(), active.end(), &f) != active.end())
    context.diagnostics.Error(at, error::kRecursion,
                              "recursive calls are not allowed ('" + f.name + "')");
  if (active.size() >= kMaxCallDepth)
    context.diagnostics.Error(at, error::kRecursion, "calls nest too deeply");
  active.push_back(&f);
  context.environment.PushFrame();
  context.returnTypes.push_back(f.returnType);
  context.activeFlags.push_back({kReturnedFlag});
  for (size_t i = 0; i < f.parameters.size(); ++i) {
    const VariableDeclaration &p = f.parameters[i];
    if (!context.environment.Declare(p.name, Variable{p.type, arguments[i].components, p.isConst}))
      context.diagnostics.Error(p.location, error::kRedefinition,
                                "redefinition of '" + p.name + "'");
  }
  context.environment.Declare(
      kReturnedFlag, Variable{HlslType::Scalar(BaseType::Bool), {Component::Constant(0.0f)}});
  context.environment.Declare(kResultVariable,
                              Variable{f.returnType, Components(f.returnType.ComponentCount())});

  context.statements->Lower(*f.body);
  const Components &returned = context.environment.Find(kReturnedFlag)->components;
  if (!f.returnType.IsVoid() && returned.size() == 1 && returned[0].IsLiteral(0.0f))
    context.diagnostics.Error(f.location, error::kMissingReturn,
                              "'" + f.name + "': function must return a value");

  Result result;
  result.returned = Value{f.returnType, context.environment.Find(kResultVariable)->components};
  for (const VariableDeclaration &p : f.parameters) {
    const Variable *v = context.environment.Find(p.name);
    result.parameters.push_back(Value{v->type, v->components});
  }
  context.activeFlags.pop_back();
  context.returnTypes.pop_back();
  context.environment.PopFrame();
  active.pop_back();
  return result;
}

} // namespace zrq::d3dx9
