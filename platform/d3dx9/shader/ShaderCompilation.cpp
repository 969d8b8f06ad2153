// Compiling: preprocessor, parser, code generation on virtual registers, clean-up, register
// allocation, layout, token writer.
#include <new>

#include "platform/d3dx9/shader/CodeOptimizer.h"
#include "platform/d3dx9/shader/EntryPointLowering.h"
#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/ExpressionLowering.h"
#include "platform/d3dx9/shader/FunctionInliner.h"
#include "platform/d3dx9/shader/IntrinsicLowering.h"
#include "platform/d3dx9/shader/Parser.h"
#include "platform/d3dx9/shader/Preprocessor.h"
#include "platform/d3dx9/shader/RegisterAllocator.h"
#include "platform/d3dx9/shader/ShaderBuild.h"
#include "platform/d3dx9/shader/ShaderLayout.h"
#include "platform/d3dx9/shader/StatementLowering.h"
#include "platform/d3dx9/shader/TokenWriter.h"

namespace zrq::d3dx9 {
namespace {

std::vector<uint32_t> Compile(const SourceRequest &request, std::string_view entry,
                              const ShaderProfile &profile, DWORD flags, Diagnostics &diagnostics) {
  const uint32_t file = diagnostics.AddFile(request.name);
  Preprocessor preprocessor(diagnostics, LexerOptions{}, request.include);
  for (const D3DXMACRO *m = request.defines; m && m->Name; ++m)
    preprocessor.Define(m->Name, m->Definition ? m->Definition : "");
  const std::vector<Token> tokens = preprocessor.Run(request.text, file);
  const Program program = Parser(tokens, diagnostics).Parse();

  CodeEmitter emitter(profile, diagnostics);
  MathBuilder math(emitter);
  ShaderInterface io;
  LoweringContext context(diagnostics, profile, emitter, math, io, program, flags);
  ExpressionLowering expressions(context);
  StatementLowering statements(context);
  FunctionInliner functions(context);
  IntrinsicLowering intrinsics(context);
  context.expressions = &expressions;
  context.statements = &statements;
  context.functions = &functions;
  context.intrinsics = &intrinsics;
  EntryPointLowering(context).Lower(std::string(entry));

  SourceLocation where;
  for (const FunctionDeclaration &f : program.functions)
    if (f.name == entry && f.body) where = f.location;
  std::vector<Instruction> code = std::move(emitter.Code());
  RemoveDeadCode(code);
  if (!profile.pixel) ForwardOutputs(code);
  AllocateTemporaries(code, profile, diagnostics, where);
  const LaidOutShader shader =
      LayOutShader(std::move(code), io, emitter.Pool(), profile, flags, diagnostics, where);
  return EncodeShader(profile.Version(), shader.instructions);
}

} // namespace

BuildResult CompileShaderSource(const SourceRequest &request, std::string_view entry,
                                std::string_view profileName, DWORD flags) {
  BuildResult result;
  Diagnostics diagnostics;
  try {
    const std::optional<ShaderProfile> profile = ShaderProfile::Find(profileName);
    if ((flags & D3DXSHADER_PACKMATRIX_ROWMAJOR) && (flags & D3DXSHADER_PACKMATRIX_COLUMNMAJOR)) {
      result.status = D3DERR_INVALIDCALL;
      result.messages =
          "error X4500: the flags ask for row-major and column-major matrices at once\n";
      return result;
    }
    if (!profile)
      diagnostics.Error(error::kProfileNotSupported,
                        "invalid target '" + std::string(profileName) +
                            "': the compiler makes vs_1_1, vs_2_0 and ps_2_0 code");
    result.tokens = Compile(request, entry, *profile, flags, diagnostics);
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
