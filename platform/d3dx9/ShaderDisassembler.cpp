// Reading shader tokens: disassembly, the version, the size and the constant table.
#include <zrqboundary.h>
#include <d3dx9.h>

#include <new>

#include "platform/d3dx9/ConstantTable.h"
#include "platform/d3dx9/OutputBuffers.h"
#include "platform/d3dx9/shader/ConstantTableReader.h"
#include "platform/d3dx9/shader/Disassembler.h"
#include "platform/d3dx9/shader/TokenReader.h"

using namespace zrq::d3dx9;

namespace {

// The shader's tokens as far as its end token. The API passes no length, so the walk trusts
// the instruction lengths, as every reader of these tokens must.
constexpr size_t kMaxShaderTokens = 1u << 24;

bool Decode(const DWORD *pShader, DecodedShader &shader) {
  const size_t count =
      ShaderTokenCount(reinterpret_cast<const uint32_t *>(pShader), kMaxShaderTokens);
  std::string error;
  return count && DecodeShader(reinterpret_cast<const uint32_t *>(pShader), count, shader, error);
}

} // namespace

ZRQ_D3DX_API(HRESULT)
D3DXDisassembleShader(const DWORD *pShader, BOOL, LPCSTR pComments, LPD3DXBUFFER *ppDisassembly) {
  if (ppDisassembly) *ppDisassembly = nullptr;
  if (!pShader || !ppDisassembly) return D3DERR_INVALIDCALL;
  return ZrqComBoundary([&]() -> HRESULT {
    DecodedShader shader;
    if (!Decode(pShader, shader)) return D3DXERR_INVALIDDATA;
    return TextBuffer(Disassemble(shader, pComments ? pComments : ""), ppDisassembly);
  });
}

ZRQ_D3DX_API(DWORD) D3DXGetShaderVersion(const DWORD *pFunction) {
  return pFunction ? pFunction[0] : 0;
}

ZRQ_D3DX_API(UINT) D3DXGetShaderSize(const DWORD *pFunction) {
  return static_cast<UINT>(
      ShaderTokenCount(reinterpret_cast<const uint32_t *>(pFunction), kMaxShaderTokens) * 4);
}

ZRQ_D3DX_API(HRESULT)
D3DXGetShaderConstantTable(const DWORD *pFunction, LPD3DXCONSTANTTABLE *ppConstantTable) {
  if (ppConstantTable) *ppConstantTable = nullptr;
  if (!pFunction || !ppConstantTable) return D3DERR_INVALIDCALL;
  return ZrqComBoundary([&]() -> HRESULT {
    DecodedShader shader;
    if (!Decode(pFunction, shader)) return D3DXERR_INVALIDDATA;
    const Instruction *comment = FindConstantTableComment(shader);
    if (!comment) return D3DXERR_INVALIDDATA;
    return CreateConstantTable(reinterpret_cast<const uint8_t *>(comment->comment.data() + 1),
                               (comment->comment.size() - 1) * 4, ppConstantTable);
  });
}
