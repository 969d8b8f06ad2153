// Generates code for statements. Profiles without branches get straight-line code: both
// sides of an if run and their results are merged by selection, loops with bounds known when
// compiling are unrolled, and return, break and continue become flags that keep later
// assignments from taking effect.
#pragma once

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

class StatementLowering {
public:
  explicit StatementLowering(LoweringContext &context) : context(context) {}

  void Lower(const Statement &s);
  // Declares the variable in the innermost scope, with its initializer's value if it has one.
  void Declare(const VariableDeclaration &v);
  // The components an initializer gives a variable of type `type`.
  Components Initial(const Expression &initializer, const HlslType &type);

private:
  void If(const Statement &s);
  void Loop(const Statement &s);
  void Return(const Statement &s);
  void SetFlag(const std::string &name);
  bool LoopContinues(const Statement &s, int iteration);

  LoweringContext &context;
};

} // namespace zrq::d3dx9
