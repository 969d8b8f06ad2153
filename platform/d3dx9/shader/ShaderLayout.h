// The last step of compiling: registers for the uniforms, the literal constants, the inputs
// and the samplers; the def and dcl instructions; the constant table; and the checks of the
// profile's register and instruction-slot limits.
#pragma once

#include <d3dx9.h>

#include <vector>

#include "platform/d3dx9/shader/ConstantPool.h"
#include "platform/d3dx9/shader/ConstantTableModel.h"
#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"
#include "platform/d3dx9/shader/ShaderInterface.h"
#include "platform/d3dx9/shader/ShaderProfile.h"

namespace zrq::d3dx9 {

struct LaidOutShader {
  std::vector<Instruction> instructions; // the constant table comment, defs, dcls, then the code
  ConstantTableModel table;
};

// `code` has its temporaries allocated; every other virtual register is resolved here.
// Limits broken are errors reported at `where` (the entry point).
LaidOutShader LayOutShader(std::vector<Instruction> code, const ShaderInterface &io,
                           const ConstantPool &pool, const ShaderProfile &profile, DWORD flags,
                           Diagnostics &diagnostics, const SourceLocation &where);

// What the constant table names as its creator.
extern const char kCompilerName[];

} // namespace zrq::d3dx9
