// Compiles or assembles arbitrary text, and reads arbitrary tokens, checking what the shader
// tools promise: a status of success or bad data (never anything else), tokens and a
// constant table exactly on success, compiled code that keeps its profile's rules, messages
// on failure, and disassembly that assembles back to the same tokens. The first byte picks the job: compiling for vs_1_1, vs_2_0 or
// ps_2_0 (entry point "main"), assembling, or decoding the rest as tokens (and reading the
// constant table they may hold).
#include "fuzz/FuzzCheck.h"

#include <d3dx9.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/ConstantTable.h"
#include "platform/d3dx9/ShaderRules.h"
#include "platform/d3dx9/shader/ConstantTableReader.h"
#include "platform/d3dx9/shader/Disassembler.h"
#include "platform/d3dx9/shader/ShaderInstruction.h"
#include "platform/d3dx9/shader/TokenReader.h"
#include "platform/d3dx9/shader/TokenWriter.h"

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "compile_shader", what); }

// Serves one header, so that #include is exercised; any other name fails to open.
class OneHeader final : public ID3DXInclude {
public:
  STDMETHOD(Open)(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID *data, UINT *bytes) override {
    if (std::strcmp(name, "common.h") != 0) return E_FAIL;
    *data = kText;
    *bytes = sizeof kText - 1;
    ++open;
    return S_OK;
  }
  STDMETHOD(Close)(LPCVOID) override {
    --open;
    return S_OK;
  }
  int open = 0;

private:
  static constexpr char kText[] =
      "#define SCALE 2\nfloat4 tint;\nfloat4 Scale(float4 v) { return v * SCALE * tint; }\n";
};

std::vector<DWORD> Words(ID3DXBuffer *buffer) {
  const auto *w = static_cast<const DWORD *>(buffer->GetBufferPointer());
  return std::vector<DWORD>(w, w + buffer->GetBufferSize() / 4);
}

std::vector<uint32_t> WithoutComments(const std::vector<DWORD> &tokens) {
  const std::vector<uint32_t> words(tokens.begin(), tokens.end());
  zrq::d3dx9::DecodedShader shader;
  std::string error;
  Check(zrq::d3dx9::DecodeShader(words.data(), words.size(), shader, error),
        "tokens made here do not decode");
  std::vector<zrq::d3dx9::Instruction> kept;
  for (const zrq::d3dx9::Instruction &in : shader.instructions)
    if (in.opcode != zrq::d3dx9::Opcode::Comment) kept.push_back(in);
  return zrq::d3dx9::EncodeShader(shader.version, kept);
}

// Disassembles tokens made by the tools and assembles the text: the same tokens come back.
void RoundTrip(const std::vector<DWORD> &tokens) {
  ID3DXBuffer *text = nullptr;
  Check(D3DXDisassembleShader(tokens.data(), FALSE, nullptr, &text) == D3D_OK && text,
        "no disassembly");
  const char *assembly = static_cast<const char *>(text->GetBufferPointer());
  ID3DXBuffer *again = nullptr, *errors = nullptr;
  const HRESULT hr = D3DXAssembleShader(assembly, static_cast<UINT>(std::strlen(assembly)), nullptr,
                                        nullptr, 0, &again, &errors);
  if (hr != D3D_OK)
    std::fprintf(stderr, "%s\n%s", assembly,
                 errors ? static_cast<const char *>(errors->GetBufferPointer()) : "");
  Check(hr == D3D_OK && again, "the disassembly does not assemble");
  std::vector<DWORD> reassembled = Words(again);
  Check(std::vector<uint32_t>(reassembled.begin(), reassembled.end()) == WithoutComments(tokens),
        "the disassembly assembles to other tokens");
  text->Release();
  again->Release();
  if (errors) errors->Release();
}

void CompileText(const char *source, size_t size, const char *profile) {
  OneHeader include;
  const D3DXMACRO defines[] = {{"FUZZ", "1"}, {nullptr, nullptr}};
  ID3DXBuffer *shader = nullptr, *errors = nullptr;
  ID3DXConstantTable *table = nullptr;
  const HRESULT hr = D3DXCompileShader(source, static_cast<UINT>(size), defines, &include, "main",
                                       profile, 0, &shader, &errors, &table);
  Check(include.open == 0, "an included file was not closed");
  Check(hr == D3D_OK || hr == D3DXERR_INVALIDDATA, "compiling failed with an unexpected status");
  if (hr != D3D_OK) {
    Check(!shader && !table && errors, "a failed compile handed out results or no reason");
    errors->Release();
    return;
  }
  Check(shader && table, "a compile succeeded without tokens or a table");
  const std::vector<DWORD> tokens = Words(shader);
  const std::vector<std::string> broken = zrq::test::BrokenRules(tokens, profile);
  for (const std::string &rule : broken) std::fprintf(stderr, "%s\n", rule.c_str());
  Check(broken.empty(), "compiled code breaks a rule of its profile");
  Check(D3DXGetShaderSize(tokens.data()) == tokens.size() * 4, "the tokens' size is wrong");
  ID3DXConstantTable *again = nullptr;
  Check(D3DXGetShaderConstantTable(tokens.data(), &again) == D3D_OK,
        "the tokens' constant table does not read");
  again->Release();
  RoundTrip(tokens);
  shader->Release();
  table->Release();
  if (errors) errors->Release();
}

void AssembleText(const char *source, size_t size) {
  OneHeader include;
  ID3DXBuffer *shader = nullptr, *errors = nullptr;
  const HRESULT hr =
      D3DXAssembleShader(source, static_cast<UINT>(size), nullptr, &include, 0, &shader, &errors);
  Check(include.open == 0, "an included file was not closed");
  Check(hr == D3D_OK || hr == D3DXERR_INVALIDDATA, "assembling failed with an unexpected status");
  if (hr == D3D_OK) {
    RoundTrip(Words(shader));
    shader->Release();
  } else {
    Check(!shader && errors, "a failed assembly handed out tokens or no reason");
  }
  if (errors) errors->Release();
}

// Arbitrary tokens decode or are refused without reading past the words given.
void DecodeTokens(const uint8_t *data, size_t size) {
  std::vector<uint32_t> words(size / 4);
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);
  zrq::d3dx9::DecodedShader shader;
  std::string error;
  zrq::d3dx9::ShaderTokenCount(words.data(), words.size());
  if (!zrq::d3dx9::DecodeShader(words.data(), words.size(), shader, error)) return;
  zrq::d3dx9::Disassemble(shader);
  // A constant table in the tokens is read, or refused, and every handle it gives works.
  const zrq::d3dx9::Instruction *comment = zrq::d3dx9::FindConstantTableComment(shader);
  if (!comment) return;
  ID3DXConstantTable *table = nullptr;
  const HRESULT hr = zrq::d3dx9::CreateConstantTable(
      reinterpret_cast<const uint8_t *>(comment->comment.data() + 1),
      (comment->comment.size() - 1) * 4, &table);
  Check(hr == D3D_OK || hr == D3DXERR_INVALIDDATA,
        "a constant table failed with an unexpected status");
  if (hr != D3D_OK) return;
  D3DXCONSTANTTABLE_DESC desc{};
  Check(table->GetDesc(&desc) == D3D_OK, "GetDesc failed");
  for (UINT i = 0; i < desc.Constants; ++i) {
    const D3DXHANDLE h = table->GetConstant(nullptr, i);
    D3DXCONSTANT_DESC d{};
    Check(h && table->GetConstantDesc(h, &d, nullptr) == D3D_OK,
          "a listed constant has no description");
    Check(table->GetConstantByName(nullptr, h) != nullptr, "a handle does not name its constant");
    table->GetConstantElement(h, 0);
    table->GetConstant(h, 0);
    table->GetSamplerIndex(h);
  }
  table->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const char *text = reinterpret_cast<const char *>(data + 1);
  // '0' to '4' pick the jobs in order, so that seeds read as text.
  switch (static_cast<uint8_t>(data[0] - '0') % 5) {
  case 0:
    CompileText(text, size - 1, "vs_1_1");
    break;
  case 1:
    CompileText(text, size - 1, "vs_2_0");
    break;
  case 2:
    CompileText(text, size - 1, "ps_2_0");
    break;
  case 3:
    AssembleText(text, size - 1);
    break;
  default:
    DecodeTokens(data + 1, size - 1);
    break;
  }
  return 0;
}
