// How values change type: implicit and explicit conversions, the common type of the two
// operands of an operator, and truth values.
#pragma once

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

// The value's components as a value of type `to`. Implicit conversions may truncate vectors
// and matrices (with a warning); explicit casts may also make structs from a scalar.
Components Convert(LoweringContext &context, const Value &from, const HlslType &to,
                   const SourceLocation &where, bool explicitCast = false);

// The type both operands of an arithmetic or comparison operator take.
HlslType CommonType(LoweringContext &context, const HlslType &a, const HlslType &b,
                    const SourceLocation &where);

// 1 for true and 0 for false, component by component.
Components Truth(LoweringContext &context, const Value &value);

// The type of `type` with its base changed, shape kept.
HlslType WithBase(HlslType type, BaseType base);

} // namespace zrq::d3dx9
