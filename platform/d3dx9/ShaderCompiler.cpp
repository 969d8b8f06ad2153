// Compiling high-level shader source held in a module's resources. This build has no shader
// compiler yet: the arguments are checked and the source is looked up as a real compile would,
// and then the caller hears, as a status and in words, that it cannot be compiled here. The
// renderers take their path without shaders on any failure.
#include <d3dx9.h>
#include <winbase.h>
#include <winuser.h>

#include <cstdio>
#include <new>
#include <string>

namespace {

// E_NOTIMPL rather than D3DXERR_INVALIDDATA: the source was found and nothing is wrong with the
// request; what is missing is the compiler. D3DXERR_INVALIDDATA stays for what it means with a
// real compiler (source missing or not compilable), so the two causes remain distinguishable.
constexpr HRESULT kNoCompiler = E_NOTIMPL;

// The compiler's message as a NUL-terminated text in a new buffer; null when there is no memory
// for it (the status then still says why nothing was compiled).
LPD3DXBUFFER NoCompilerMessage(LPCSTR entry, LPCSTR profile) {
  static const char kFormat[] =
      "the shader compiler is not available in this build: entry point \"%s\" for profile %s was not compiled\n";
  const int length = std::snprintf(nullptr, 0, kFormat, entry, profile);
  if (length < 0) return nullptr;
  LPD3DXBUFFER buffer = nullptr;
  if (FAILED(D3DXCreateBuffer(static_cast<DWORD>(length) + 1, &buffer))) return nullptr;
  std::snprintf(static_cast<char *>(buffer->GetBufferPointer()), static_cast<size_t>(length) + 1, kFormat, entry,
                profile);
  return buffer;
}

void ClearOutputs(LPD3DXBUFFER *shader, LPD3DXBUFFER *errors, LPD3DXCONSTANTTABLE *table) {
  if (shader) *shader = nullptr;
  if (errors) *errors = nullptr;
  if (table) *table = nullptr;
}

bool ArgumentsUsable(const void *resource, LPCSTR entry, LPCSTR profile, LPD3DXBUFFER *shader) {
  return resource && entry && profile && shader;
}

// Finds and loads the source, then compiles it (which this build cannot do).
HRESULT CompileResource(HMODULE module, LPCWSTR resource, LPCSTR entry, LPCSTR profile, LPD3DXBUFFER *errors) {
  const HRSRC found = FindResourceW(module, resource, RT_RCDATA);
  if (!found) return D3DXERR_INVALIDDATA;
  const HGLOBAL loaded = LoadResource(module, found);
  if (!loaded || !LockResource(loaded)) return D3DXERR_INVALIDDATA;
  if (errors) *errors = NoCompilerMessage(entry, profile);
  return kNoCompiler;
}

}  // namespace

ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceW(HMODULE hSrcModule, LPCWSTR pSrcResource, const D3DXMACRO *, LPD3DXINCLUDE,
                               LPCSTR pFunctionName, LPCSTR pProfile, DWORD, LPD3DXBUFFER *ppShader,
                               LPD3DXBUFFER *ppErrorMsgs, LPD3DXCONSTANTTABLE *ppConstantTable) {
  ClearOutputs(ppShader, ppErrorMsgs, ppConstantTable);
  if (!ArgumentsUsable(pSrcResource, pFunctionName, pProfile, ppShader)) return D3DERR_INVALIDCALL;
  return CompileResource(hSrcModule, pSrcResource, pFunctionName, pProfile, ppErrorMsgs);
}

ZRQ_D3DX_API(HRESULT)
D3DXCompileShaderFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO *, LPD3DXINCLUDE,
                               LPCSTR pFunctionName, LPCSTR pProfile, DWORD, LPD3DXBUFFER *ppShader,
                               LPD3DXBUFFER *ppErrorMsgs, LPD3DXCONSTANTTABLE *ppConstantTable) {
  ClearOutputs(ppShader, ppErrorMsgs, ppConstantTable);
  if (!ArgumentsUsable(pSrcResource, pFunctionName, pProfile, ppShader)) return D3DERR_INVALIDCALL;
  if (IS_INTRESOURCE(pSrcResource)) {
    const LPCWSTR id = MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(pSrcResource));
    return CompileResource(hSrcModule, id, pFunctionName, pProfile, ppErrorMsgs);
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
  return CompileResource(hSrcModule, name.c_str(), pFunctionName, pProfile, ppErrorMsgs);
}
