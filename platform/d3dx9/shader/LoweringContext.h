// The state shared by the parts of code generation: where messages go, the profile, the
// emitter and arithmetic, the variables in scope, the shader's inputs and uniforms, and the flags that
// stand for return, break and continue while control flow is flattened.
#pragma once

#include <d3dx9.h>

#include <string>
#include <vector>

#include "platform/d3dx9/shader/Ast.h"
#include "platform/d3dx9/shader/CodeEmitter.h"
#include "platform/d3dx9/shader/Environment.h"
#include "platform/d3dx9/shader/MathBuilder.h"
#include "platform/d3dx9/shader/ShaderInterface.h"

namespace zrq::d3dx9 {

class ExpressionLowering;
class StatementLowering;
class FunctionInliner;
class IntrinsicLowering;

// Names of flag variables start with '$', which no identifier can.
inline const std::string kReturnedFlag = "$returned";
inline const std::string kResultVariable = "$result";
inline const std::string kDiscardFlag = "$discard";

struct LoweringContext {
  LoweringContext(Diagnostics &diagnostics, const ShaderProfile &profile, CodeEmitter &emitter,
                  MathBuilder &math, ShaderInterface &io, const Program &program, DWORD flags)
      : diagnostics(diagnostics), profile(profile), emitter(emitter), math(math), io(io),
        program(program), flags(flags) {}

  Diagnostics &diagnostics;
  const ShaderProfile &profile;
  CodeEmitter &emitter;
  MathBuilder &math;
  ShaderInterface &io;
  const Program &program;
  DWORD flags;
  Environment environment;

  ExpressionLowering *expressions = nullptr;
  StatementLowering *statements = nullptr;
  FunctionInliner *functions = nullptr;
  IntrinsicLowering *intrinsics = nullptr;

  // For each function being inlined: its return type and the flags that, once set, make the
  // rest of its code inactive ($returned, and the break and continue flags of open loops).
  std::vector<HlslType> returnTypes;
  std::vector<std::vector<std::string>> activeFlags;
  int loops = 0;          // numbers the flags of each loop
  bool unguarded = false; // a loop's step runs whatever its body's flags say

  // 1 where the code being generated does not run (after return, break or continue), else
  // 0; a literal 0 while nothing can have stopped it.
  Components Inactive();
  // `now`, except where the code does not run: there `old` stays. Components never defined
  // before take `now`, since nothing could read them there.
  Components Guard(const Components &old, const Components &now);
  // Per component: whenTrue where `condition` (one component, 0 or 1) holds; where only one
  // side is defined, that side.
  Components Merge(const Component &condition, const Components &whenTrue,
                   const Components &whenFalse);
};

} // namespace zrq::d3dx9
