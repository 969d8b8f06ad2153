#include "platform/d3dx9/shader/HlslType.h"

namespace zrq::d3dx9 {

uint32_t HlslType::ComponentCount() const {
  uint32_t one;
  if (base == BaseType::Struct) {
    one = 0;
    for (const StructField &f : structInfo->fields) one += f.type.ComponentCount();
  } else if (base == BaseType::Void) {
    one = 0;
  } else {
    one = static_cast<uint32_t>(rows) * columns;
  }
  return IsArray() ? one * arraySize : one;
}

std::string HlslType::Name() const {
  std::string name;
  switch (base) {
  case BaseType::Void:
    name = "void";
    break;
  case BaseType::Bool:
    name = "bool";
    break;
  case BaseType::Int:
    name = "int";
    break;
  case BaseType::Float:
    name = "float";
    break;
  case BaseType::Sampler:
    name = sampler == SamplerDimension::Tex1D   ? "sampler1D"
           : sampler == SamplerDimension::Tex2D ? "sampler2D"
           : sampler == SamplerDimension::Tex3D ? "sampler3D"
           : sampler == SamplerDimension::Cube  ? "samplerCUBE"
                                                : "sampler";
    break;
  case BaseType::Struct:
    name = structInfo->name;
    break;
  }
  if (base == BaseType::Bool || base == BaseType::Int || base == BaseType::Float) {
    if (shape == Shape::Vector) name += std::to_string(columns);
    if (shape == Shape::Matrix) name += std::to_string(rows) + "x" + std::to_string(columns);
  }
  if (IsArray()) name += "[" + std::to_string(arraySize) + "]";
  return name;
}

bool HlslType::operator==(const HlslType &o) const {
  return base == o.base && shape == o.shape && rows == o.rows && columns == o.columns &&
         arraySize == o.arraySize && structInfo == o.structInfo &&
         (base != BaseType::Sampler || sampler == o.sampler);
}

} // namespace zrq::d3dx9
