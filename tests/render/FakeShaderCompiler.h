// A stand-in for the shader compiler, for the renderers' shader paths: linked into a test
// program, its D3DXCompileShaderFromResourceW takes the place of the platform's, so that a test
// sees every compile and can make it fail. It logs every call, hands out the smallest token streams the device
// accepts for the profile, and a constant table that logs what is set through it.
#pragma once

#include <d3dx9.h>

#include <string>
#include <vector>

namespace zrq::test {

struct CompileCall {
  HMODULE module;
  ULONG_PTR resource; // the integer id
  std::string entry, profile;
  DWORD flags;
  bool errorsAsked;
};

struct ConstantWrite {
  std::string name;
  std::vector<float> values; // one for SetFloat, sixteen (row by row) for SetMatrix
  IDirect3DDevice9 *device;
};

// Empties the logs; a later compile returns `result` (a failure compiles nothing).
void ResetShaderCompiler(HRESULT result = S_OK);
const std::vector<CompileCall> &CompileCalls();
const std::vector<ConstantWrite> &ConstantWrites();
// The last value written to the constant, or an empty list.
std::vector<float> LastConstant(const std::string &name);
// Constant tables handed out and not yet released.
int LiveConstantTables();

} // namespace zrq::test
