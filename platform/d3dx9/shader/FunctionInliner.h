// Calls of the shader's own functions: each call is inlined, its parameters bound to the
// arguments' values, its out parameters written back to the arguments afterwards.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

class FunctionInliner {
public:
  explicit FunctionInliner(LoweringContext &context) : context(context) {}

  bool Has(const std::string &name) const;
  Value Call(const Expression &call);

  struct Result {
    Value returned;
    std::vector<Value> parameters; // every parameter's value when the function ends
  };
  // Inlines `function` with the parameters' values on entry (out-only ones are ignored).
  Result Inline(const FunctionDeclaration &function, const std::vector<Value> &arguments,
                const SourceLocation &at);

private:
  const FunctionDeclaration &Resolve(const Expression &call,
                                     const std::vector<HlslType> &argumentTypes);

  LoweringContext &context;
  std::vector<const FunctionDeclaration *> active;
};

} // namespace zrq::d3dx9
