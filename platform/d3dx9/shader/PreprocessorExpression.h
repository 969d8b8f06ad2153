// Evaluates the condition of #if and #elif once `defined` and macros are replaced: integer
// arithmetic in 64 bits, wrapping rather than overflowing; names left over count as 0.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

class PreprocessorExpression {
public:
  PreprocessorExpression(const std::vector<Token> &tokens, SourceLocation where,
                         Diagnostics &diagnostics)
      : tokens(tokens), where(where), diagnostics(diagnostics) {}

  int64_t Evaluate();

private:
  int64_t Conditional();
  int64_t Binary(int level);
  int64_t Unary();
  int64_t Primary();
  int64_t Apply(const Token &op, int64_t a, int64_t b);
  const Token *Peek() const { return position < tokens.size() ? &tokens[position] : nullptr; }
  bool Accept(const char *spelling);
  [[noreturn]] void Fail(const std::string &message);

  const std::vector<Token> &tokens;
  SourceLocation where;
  Diagnostics &diagnostics;
  size_t position = 0;
  int nesting = 0;
};

} // namespace zrq::d3dx9
