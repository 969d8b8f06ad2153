// The language's built-in functions (mul, dot, sin, lerp, tex2D...) as instruction sequences.
#pragma once

#include <string>
#include <vector>

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

class IntrinsicLowering {
public:
  explicit IntrinsicLowering(LoweringContext &context) : context(context) {}

  bool Has(const std::string &name) const;
  Value Call(const std::string &name, const std::vector<Value> &arguments,
             const SourceLocation &where);

private:
  // The arguments in their common float type.
  HlslType FloatType(const std::vector<Value> &arguments, const SourceLocation &where);
  Components As(const Value &v, const HlslType &type, const SourceLocation &where);
  Value Mul(const Value &a, const Value &b, const SourceLocation &where);
  Value Texture(const std::string &name, const std::vector<Value> &arguments,
                const SourceLocation &where);
  void Clip(const Value &value);

  LoweringContext &context;
};

} // namespace zrq::d3dx9
