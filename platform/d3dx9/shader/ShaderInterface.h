// What a shader takes from outside: its uniforms (constants and samplers) and its inputs, as
// the code generator finds them and the layout pass gives them registers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/HlslType.h"

namespace zrq::d3dx9 {

struct UniformInfo {
  std::string name;
  HlslType type;
  bool rowMajor = false;
  bool sampler = false;
  std::optional<uint32_t> fixedRegister; // from register(c4) or register(s0)
  std::vector<float> defaults;           // the initializer's components, when there is one
  SamplerDimension dimension = SamplerDimension::Any; // samplers: as declared or as first read
  SourceLocation location;

  // Registers one element takes (a matrix takes one a column, or a row when row-major).
  uint32_t RegistersPerElement() const {
    if (sampler) return 1;
    if (type.shape == Shape::Matrix) return rowMajor ? type.rows : type.columns;
    return 1;
  }
  uint32_t Registers() const {
    return RegistersPerElement() * (type.IsArray() ? type.arraySize : 1);
  }
};

enum class InputFile { Vertex, Color, Texture };

struct InputInfo {
  std::string semantic;
  uint32_t usage = 0; // D3DDECLUSAGE
  uint32_t usageIndex = 0;
  uint32_t components = 4;
  InputFile file = InputFile::Vertex;
};

struct ShaderInterface {
  std::vector<UniformInfo> uniforms;
  std::vector<InputInfo> inputs;
};

} // namespace zrq::d3dx9
