// Compiling: preprocessor, parser, code generation, token writer.
#include "platform/d3dx9/shader/ShaderBuild.h"

namespace zrq::d3dx9 {

BuildResult CompileShaderSource(const SourceRequest &, std::string_view entry, std::string_view profile, DWORD) {
  BuildResult result;
  result.status = E_NOTIMPL;
  result.messages = "the shader compiler is not available in this build: entry point \"" + std::string(entry) +
                    "\" for profile " + std::string(profile) + " was not compiled\n";
  return result;
}

}  // namespace zrq::d3dx9
