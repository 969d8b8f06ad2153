// A reference interpreter of shader tokens, for the tests: it runs a compiled shader on given
// inputs with the arithmetic the instructions are defined by, so that tests can check what
// compiled code computes without a device that runs shaders.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/d3dx9/shader/ShaderInstruction.h"

namespace zrq::test {

using Float4 = std::array<float, 4>;

class ShaderInterpreter {
public:
  // Decodes the tokens; Error() says why when they do not decode.
  explicit ShaderInterpreter(const std::vector<DWORD> &tokens);

  const std::string &Error() const { return error; }
  const d3dx9::DecodedShader &Shader() const { return shader; }

  void SetConstant(UINT index, const Float4 &value) {
    Write(d3dx9::RegisterType::Const, index, value);
  }
  // The input register declared with this usage (D3DDECLUSAGE) and index, in a vertex shader.
  void SetInput(UINT usage, UINT usageIndex, const Float4 &value);
  // A pixel shader's texture coordinate t# or colour v#.
  void SetTexCoord(UINT index, const Float4 &value) {
    Write(d3dx9::RegisterType::Texture, index, value);
  }
  void SetColor(UINT index, const Float4 &value) {
    Write(d3dx9::RegisterType::Input, index, value);
  }
  // What texld returns for a sampler and coordinates (after the projective divide).
  std::function<Float4(UINT sampler, const Float4 &coordinates)> sample;

  // Runs the shader; false when texkill discarded the pixel.
  bool Run();
  Float4 Read(d3dx9::RegisterType type, UINT index) const;
  Float4 Position() const { return Read(d3dx9::RegisterType::RastOut, 0); }
  Float4 TexCoordOut(UINT index) const { return Read(d3dx9::RegisterType::TexCrdOut, index); }
  Float4 ColorOut(UINT index) const { return Read(d3dx9::RegisterType::ColorOut, index); }

private:
  void Write(d3dx9::RegisterType type, UINT index, const Float4 &value) {
    registers[{static_cast<int>(type), index}] = value;
  }
  Float4 Source(const d3dx9::SourceParameter &s) const;
  void Destination(const d3dx9::DestinationParameter &d, Float4 value);

  d3dx9::DecodedShader shader;
  std::string error;
  std::map<std::pair<int, UINT>, Float4> registers;
};

} // namespace zrq::test
