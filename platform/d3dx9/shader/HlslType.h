// The types of the shader language subset: scalars, vectors and matrices of bool, int and
// float, structs, one-dimensional arrays, samplers and void.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zrq::d3dx9 {

enum class BaseType : uint8_t { Void, Bool, Int, Float, Sampler, Struct };
enum class Shape : uint8_t { Scalar, Vector, Matrix };
enum class SamplerDimension : uint8_t { Any, Tex1D, Tex2D, Tex3D, Cube };

struct StructField;

// A named struct; fields in declaration order.
struct StructInfo {
  std::string name;
  std::vector<StructField> fields;
};

struct HlslType {
  BaseType base = BaseType::Void;
  Shape shape = Shape::Scalar;
  uint8_t rows = 1;       // matrices only
  uint8_t columns = 1;    // vector length, or matrix columns
  uint32_t arraySize = 0; // 0: not an array
  const StructInfo *structInfo = nullptr;
  SamplerDimension sampler = SamplerDimension::Any;

  static HlslType Scalar(BaseType base) {
    return HlslType{base, Shape::Scalar, 1, 1, 0, nullptr, SamplerDimension::Any};
  }
  static HlslType Vector(BaseType base, int n) {
    return HlslType{base,    Shape::Vector,        1, static_cast<uint8_t>(n), 0,
                    nullptr, SamplerDimension::Any};
  }
  // A scalar for n == 1, else a vector.
  static HlslType Numeric(BaseType base, int n) { return n == 1 ? Scalar(base) : Vector(base, n); }
  static HlslType Matrix(BaseType base, int rows, int columns) {
    return HlslType{base, Shape::Matrix, static_cast<uint8_t>(rows), static_cast<uint8_t>(columns),
                    0,    nullptr,       SamplerDimension::Any};
  }

  bool IsArray() const { return arraySize != 0; }
  bool IsNumeric() const {
    return !IsArray() &&
           (base == BaseType::Bool || base == BaseType::Int || base == BaseType::Float);
  }
  bool IsScalar() const { return IsNumeric() && shape == Shape::Scalar; }
  bool IsVoid() const { return base == BaseType::Void && !IsArray(); }
  HlslType Element() const {
    HlslType t = *this;
    t.arraySize = 0;
    return t;
  }
  // Components of a numeric value (rows × columns); of a struct or array, all of theirs.
  uint32_t ComponentCount() const;
  std::string Name() const;
  bool operator==(const HlslType &other) const;
  bool operator!=(const HlslType &other) const { return !(*this == other); }
};

struct StructField {
  std::string name;
  HlslType type;
  std::string semantic;
};

} // namespace zrq::d3dx9
