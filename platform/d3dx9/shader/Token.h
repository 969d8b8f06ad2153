// A token of shader source as the lexer makes it and the preprocessor passes it on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"

namespace zrq::d3dx9 {

enum class TokenKind : uint8_t {
  Identifier,
  Number,     // a preprocessing number: 1, 0x1F, 1.5e-3f, 2.h
  String,     // with its quotes
  Punctuator, // + += ( ## ...
  Other,      // a character no token starts with; only the parser minds it
};

struct Token {
  TokenKind kind = TokenKind::Other;
  std::string text;
  SourceLocation location;
  bool atLineStart = false; // first token of its line: may start a directive
  bool spaceBefore = false; // white space or a comment precedes it on its line
  // Macros whose expansion produced this token, which must not expand it again.
  std::vector<uint32_t> hidden;

  bool Is(const char *spelling) const { return kind != TokenKind::String && text == spelling; }
};

} // namespace zrq::d3dx9
