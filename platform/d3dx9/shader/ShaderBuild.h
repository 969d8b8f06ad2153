// The two ways from text to tokens: assembling and compiling. Each runs the preprocessor, then
// the assembler or the compiler, and reports its messages whatever the outcome.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zrq::d3dx9 {

struct SourceRequest {
  std::string_view text;
  std::string name;                   // what messages call the source: "memory", "#201"
  const D3DXMACRO *defines = nullptr; // ends with a null Name; may be null
  ID3DXInclude *include = nullptr;    // may be null: #include then fails
};

struct BuildResult {
  HRESULT status = E_FAIL;      // D3D_OK, D3DXERR_INVALIDDATA for bad source, E_OUTOFMEMORY
  std::vector<uint32_t> tokens; // empty on failure
  std::string messages;         // errors and warnings, one a line
};

BuildResult AssembleShaderSource(const SourceRequest &request);
BuildResult CompileShaderSource(const SourceRequest &request, std::string_view entry,
                                std::string_view profile, DWORD flags);

} // namespace zrq::d3dx9
