// D3DXCompileShader and its resource forms: high-level shader source to tokens and a constant
// table.
#include <zrqboundary.h>
#include <d3dx9.h>
#include <winbase.h>
#include <winuser.h>

#include <new>
#include <string>

#include "platform/d3dx9/ConstantTable.h"
#include "platform/d3dx9/OutputBuffers.h"
#include "platform/d3dx9/shader/ConstantTableReader.h"
#include "platform/d3dx9/shader/ShaderBuild.h"
#include "platform/d3dx9/shader/TokenReader.h"

using namespace zrq::d3dx9;

namespace {

void ClearOutputs(LPD3DXBUFFER *shader, LPD3DXBUFFER *errors, LPD3DXCONSTANTTABLE *table) {
  if (shader) *shader = nullptr;
  if (errors) *errors = nullptr;
  if (table) *table = nullptr;
}

// The table object over the constant-table comment the compiler wrote into the tokens.
HRESULT TableOf(const std::vector<uint32_t> &tokens, LPD3DXCONSTANTTABLE *table) {
  DecodedShader shader;
  std::string error;
  if (!DecodeShader(tokens.data(), tokens.size(), shader, error)) return E_FAIL;
  const Instruction *comment = FindConstantTableComment(shader);
  if (!comment) return E_FAIL;
  return CreateConstantTable(reinterpret_cast<const uint8_t *>(comment->comment.data() + 1),
                             (comment->comment.size() - 1) * 4, table);
}

HRESULT Compile(std::string_view text, std::string name, const D3DXMACRO *defines,
                LPD3DXINCLUDE include, LPCSTR entry, LPCSTR profile, DWORD flags,
                LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                LPD3DXCONSTANTTABLE *ppConstantTable) {
  return ZrqComBoundary([&]() -> HRESULT {
    const BuildResult result =
        CompileShaderSource({text, std::move(name), defines, include}, entry, profile, flags);
    if (ppErrorMsgs && !result.messages.empty()) TextBuffer(result.messages, ppErrorMsgs);
    if (FAILED(result.status)) return result.status;
    if (ppConstantTable)
      if (const HRESULT hr = TableOf(result.tokens, ppConstantTable); FAILED(hr)) return hr;
    if (const HRESULT hr = TokenBuffer(result.tokens, ppShader); FAILED(hr)) {
      if (ppConstantTable && *ppConstantTable) {
        (*ppConstantTable)->Release();
        *ppConstantTable = nullptr;
      }
      return hr;
    }
    return D3D_OK;
  });
}

bool ArgumentsUsable(const void *source, LPCSTR entry, LPCSTR profile, LPD3DXBUFFER *shader) {
  return source && entry && profile && shader;
}

// Finds and loads the source, then compiles it; messages call it by its resource name.
HRESULT CompileResource(HMODULE module, LPCWSTR resource, std::string name,
                        const D3DXMACRO *defines, LPD3DXINCLUDE include, LPCSTR entry,
                        LPCSTR profile, DWORD flags, LPD3DXBUFFER *ppShader,
                        LPD3DXBUFFER *ppErrorMsgs, LPD3DXCONSTANTTABLE *ppConstantTable) {
  const HRSRC found = FindResourceW(module, resource, RT_RCDATA);
  if (!found) return D3DXERR_INVALIDDATA;
  const HGLOBAL loaded = LoadResource(module, found);
  const void *data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return D3DXERR_INVALIDDATA;
  const DWORD size = SizeofResource(module, found);
  return Compile({static_cast<const char *>(data), size}, std::move(name), defines, include, entry,
                 profile, flags, ppShader, ppErrorMsgs, ppConstantTable);
}

} // namespace

ZRQ_D3DX_API(HRESULT)
D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO *pDefines,
                  LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags,
                  LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                  LPD3DXCONSTANTTABLE *ppConstantTable) {
  ClearOutputs(ppShader, ppErrorMsgs, ppConstantTable);
  if (!ArgumentsUsable(pSrcData, pFunctionName, pProfile, ppShader)) return D3DERR_INVALIDCALL;
  return Compile({pSrcData, SrcDataLen}, "memory", pDefines, pInclude, pFunctionName, pProfile,
                 Flags, ppShader, ppErrorMsgs, ppConstantTable);
}

ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource, const D3DXMACRO *pDefines,
                               LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                               DWORD Flags, LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                               LPD3DXCONSTANTTABLE *ppConstantTable) {
  ClearOutputs(ppShader, ppErrorMsgs, ppConstantTable);
  if (!ArgumentsUsable(pSrcResource, pFunctionName, pProfile, ppShader)) return D3DERR_INVALIDCALL;
  std::string name;
  if (IS_INTRESOURCE(pSrcResource)) {
    name = "#" + std::to_string(reinterpret_cast<ULONG_PTR>(pSrcResource));
  } else {
    for (LPCWSTR c = pSrcResource; *c; ++c) name.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
  }
  return CompileResource(hSrcModule, pSrcResource, std::move(name), pDefines, pInclude,
                         pFunctionName, pProfile, Flags, ppShader, ppErrorMsgs, ppConstantTable);
}

ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO *pDefines,
                               LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                               DWORD Flags, LPD3DXBUFFER *ppShader, LPD3DXBUFFER *ppErrorMsgs,
                               LPD3DXCONSTANTTABLE *ppConstantTable) {
  ClearOutputs(ppShader, ppErrorMsgs, ppConstantTable);
  if (!ArgumentsUsable(pSrcResource, pFunctionName, pProfile, ppShader)) return D3DERR_INVALIDCALL;
  if (IS_INTRESOURCE(pSrcResource)) {
    const LPCWSTR id = MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(pSrcResource));
    return D3DXCompileShaderFromResourceW(hSrcModule, id, pDefines, pInclude, pFunctionName,
                                          pProfile, Flags, ppShader, ppErrorMsgs, ppConstantTable);
  }
  // Resource names are ASCII words; a name with any other byte names no resource.
  std::u16string name;
  try {
    for (const char *c = pSrcResource; *c; ++c) {
      if (static_cast<unsigned char>(*c) >= 0x80) return D3DXERR_INVALIDDATA;
      name.push_back(static_cast<char16_t>(*c));
    }
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
  return D3DXCompileShaderFromResourceW(hSrcModule, name.c_str(), pDefines, pInclude, pFunctionName,
                                        pProfile, Flags, ppShader, ppErrorMsgs, ppConstantTable);
}
