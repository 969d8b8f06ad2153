// Assembling: preprocessor, assembler, token writer.
#include <new>

#include "platform/d3dx9/shader/Assembler.h"
#include "platform/d3dx9/shader/Preprocessor.h"
#include "platform/d3dx9/shader/ShaderBuild.h"
#include "platform/d3dx9/shader/TokenWriter.h"

namespace zrq::d3dx9 {

BuildResult AssembleShaderSource(const SourceRequest &request) {
  BuildResult result;
  Diagnostics diagnostics;
  try {
    const uint32_t file = diagnostics.AddFile(request.name);
    Preprocessor preprocessor(diagnostics, LexerOptions{true}, request.include);
    for (const D3DXMACRO *m = request.defines; m && m->Name; ++m)
      preprocessor.Define(m->Name, m->Definition ? m->Definition : "");
    const std::vector<Token> tokens = preprocessor.Run(request.text, file);
    const DecodedShader shader = Assembler(diagnostics).Assemble(tokens);
    result.tokens = EncodeShader(shader.version, shader.instructions);
    result.status = D3D_OK;
  } catch (const CompileError &) {
    result.status = D3DXERR_INVALIDDATA;
  } catch (const std::bad_alloc &) {
    result.status = E_OUTOFMEMORY;
  }
  result.messages = diagnostics.Text();
  if (FAILED(result.status)) result.tokens.clear();
  return result;
}

} // namespace zrq::d3dx9
