// D3DXAssembleShader: assembly text to shader tokens.
#include <d3dx9.h>

#include <new>

#include "platform/d3dx9/OutputBuffers.h"
#include "platform/d3dx9/shader/ShaderBuild.h"

using namespace zrq::d3dx9;

ZRQ_D3DX_API(HRESULT)
D3DXAssembleShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO *pDefines,
                   LPD3DXINCLUDE pInclude, DWORD, LPD3DXBUFFER *ppShader,
                   LPD3DXBUFFER *ppErrorMsgs) {
  if (ppShader) *ppShader = nullptr;
  if (ppErrorMsgs) *ppErrorMsgs = nullptr;
  if (!pSrcData || !ppShader) return D3DERR_INVALIDCALL;
  try {
    const BuildResult result =
        AssembleShaderSource({{pSrcData, SrcDataLen}, "memory", pDefines, pInclude});
    if (ppErrorMsgs && !result.messages.empty()) TextBuffer(result.messages, ppErrorMsgs);
    if (FAILED(result.status)) return result.status;
    return TokenBuffer(result.tokens, ppShader);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
