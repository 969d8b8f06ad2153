// Generates code for expressions: the value of an expression as components, and places
// (l-values) that assignments write: a variable and which of its components.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

class ExpressionLowering {
public:
  struct Place {
    std::string variable;
    HlslType type;
    std::vector<uint32_t> components; // indices into the variable's components
    SourceLocation location;
  };

  explicit ExpressionLowering(LoweringContext &context) : context(context) {}

  Value Lower(const Expression &e);
  Place LowerPlace(const Expression &e);
  Value Read(const Place &place);
  // Converts the value to the place's type and writes it where the code runs.
  void Store(const Place &place, const Value &value);
  // An expression that must come out as a literal whole number (an array index).
  int64_t LiteralInteger(const Expression &e);
  // Arithmetic operators (+ - * / %) on two values.
  Value Arithmetic(const std::string &op, const Value &a, const Value &b,
                   const SourceLocation &where);

private:
  struct Selection {
    HlslType type;
    std::vector<uint32_t> indices;
  };
  Selection SelectMember(const HlslType &base, const std::string &name,
                         const SourceLocation &where);
  Selection SelectIndex(const HlslType &base, int64_t index, const SourceLocation &where);
  static Components Pick(const Components &from, const std::vector<uint32_t> &indices);

  Value Unary(const Expression &e);
  Value Binary(const Expression &e);
  Value Assign(const Expression &e);
  Value Conditional(const Expression &e);
  Value Constructor(const Expression &e);
  Value Increment(const Expression &e);
  Value Call(const Expression &e);

  LoweringContext &context;
};

} // namespace zrq::d3dx9
