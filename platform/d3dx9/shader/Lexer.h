// Splits source text into tokens: joins lines ending in a backslash, drops comments, and
// records where each token stands (line and column in the text as written).
#pragma once

#include <string_view>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

struct LexerOptions {
  bool semicolonComments = false; // assembly: ';' starts a comment to the end of the line
};

class Lexer {
public:
  Lexer(Diagnostics &diagnostics, LexerOptions options)
      : diagnostics(diagnostics), options(options) {}

  // The tokens of `text`, located in `file`. An unterminated comment or string is an error.
  std::vector<Token> Tokenize(std::string_view text, uint32_t file);

private:
  Diagnostics &diagnostics;
  LexerOptions options;
};

} // namespace zrq::d3dx9
