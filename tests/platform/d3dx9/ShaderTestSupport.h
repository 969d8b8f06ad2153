// Compiling, assembling and reading shaders in tests: results as plain values, and the
// instruction lines of a disassembly for comparing with expected assembly.
#pragma once

#include <atlcomcli.h>
#include <d3dx9.h>

#include <string>
#include <vector>

namespace zrq::test {

struct Compiled {
  HRESULT status = E_FAIL;
  std::vector<DWORD> tokens;
  std::string messages;
  CComPtr<ID3DXConstantTable> table;
};

Compiled Compile(const std::string &source, const char *profile, const char *entry = "main",
                 DWORD flags = 0, const D3DXMACRO *defines = nullptr,
                 ID3DXInclude *include = nullptr);
Compiled Assemble(const std::string &source, const D3DXMACRO *defines = nullptr,
                  ID3DXInclude *include = nullptr);
std::vector<DWORD> Tokens(ID3DXBuffer *buffer);

// The disassembly, and its declaration and instruction lines alone (no comments, no
// indentation, no version line), for comparing with expected assembly.
std::string Disassembly(const std::vector<DWORD> &tokens);
std::vector<std::string> InstructionLines(const std::vector<DWORD> &tokens);
// The tokens without comment blocks (which the assembler does not write).
std::vector<DWORD> WithoutComments(const std::vector<DWORD> &tokens);

} // namespace zrq::test
