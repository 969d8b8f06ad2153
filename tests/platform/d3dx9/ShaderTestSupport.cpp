#include "platform/d3dx9/ShaderTestSupport.h"

#include <sstream>

#include "platform/d3dx9/shader/TokenReader.h"
#include "platform/d3dx9/shader/TokenWriter.h"

namespace zrq::test {

std::vector<DWORD> Tokens(ID3DXBuffer *buffer) {
  if (!buffer) return {};
  const auto *words = static_cast<const DWORD *>(buffer->GetBufferPointer());
  return std::vector<DWORD>(words, words + buffer->GetBufferSize() / sizeof(DWORD));
}

namespace {

std::string Text(ID3DXBuffer *buffer) {
  return buffer ? std::string(static_cast<const char *>(buffer->GetBufferPointer()))
                : std::string();
}

} // namespace

Compiled Compile(const std::string &source, const char *profile, const char *entry, DWORD flags,
                 const D3DXMACRO *defines, ID3DXInclude *include) {
  Compiled out;
  CComPtr<ID3DXBuffer> shader, errors;
  out.status = D3DXCompileShader(source.data(), static_cast<UINT>(source.size()), defines, include,
                                 entry, profile, flags, &shader, &errors, &out.table);
  out.tokens = Tokens(shader);
  out.messages = Text(errors);
  return out;
}

Compiled Assemble(const std::string &source, const D3DXMACRO *defines, ID3DXInclude *include) {
  Compiled out;
  CComPtr<ID3DXBuffer> shader, errors;
  out.status = D3DXAssembleShader(source.data(), static_cast<UINT>(source.size()), defines, include,
                                  0, &shader, &errors);
  out.tokens = Tokens(shader);
  out.messages = Text(errors);
  return out;
}

std::string Disassembly(const std::vector<DWORD> &tokens) {
  CComPtr<ID3DXBuffer> text;
  if (tokens.empty() || FAILED(D3DXDisassembleShader(tokens.data(), FALSE, nullptr, &text)))
    return {};
  return static_cast<const char *>(text->GetBufferPointer());
}

std::vector<std::string> InstructionLines(const std::vector<DWORD> &tokens) {
  std::istringstream in(Disassembly(tokens));
  std::vector<std::string> lines;
  std::string line;
  bool version = true;
  while (std::getline(in, line)) {
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    const size_t start = line.find_first_not_of(' ');
    if (version) {
      version = false;
      continue;
    }
    lines.push_back(line.substr(start));
  }
  return lines;
}

std::vector<DWORD> WithoutComments(const std::vector<DWORD> &tokens) {
  const std::vector<uint32_t> words(tokens.begin(), tokens.end());
  d3dx9::DecodedShader shader;
  std::string error;
  if (!d3dx9::DecodeShader(words.data(), words.size(), shader, error)) return {};
  std::vector<d3dx9::Instruction> kept;
  for (const d3dx9::Instruction &in : shader.instructions)
    if (in.opcode != d3dx9::Opcode::Comment) kept.push_back(in);
  const std::vector<uint32_t> encoded = d3dx9::EncodeShader(shader.version, kept);
  return std::vector<DWORD>(encoded.begin(), encoded.end());
}

} // namespace zrq::test
