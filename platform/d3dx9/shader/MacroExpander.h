// Expands macros in a stream of tokens: object-like and function-like macros, # and ##,
// __LINE__ and __FILE__. A macro is not expanded again inside its own expansion, and the
// total work is bounded, so that no source can make expansion run away.
#pragma once

#include <cstddef>
#include <deque>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/MacroTable.h"
#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

// Where unexpanded tokens come from: a file (with its directives handled) or a list.
class TokenSource {
public:
  virtual bool Next(Token &token) = 0;

protected:
  ~TokenSource() = default;
};

// Tokens produced by expansion so far, shared by every expander of one preprocessor run.
struct ExpansionBudget {
  size_t tokens = 0;
};

class MacroExpander {
public:
  MacroExpander(const MacroTable &macros, Diagnostics &diagnostics, ExpansionBudget &budget,
                int depth = 0)
      : macros(macros), diagnostics(diagnostics), budget(budget), depth(depth) {}

  // The next token with every macro expanded; false when `source` is used up.
  bool Next(TokenSource &source, Token &token);

  // Every token of `tokens` expanded on its own, as a macro argument is.
  std::vector<Token> ExpandAll(std::vector<Token> tokens);

private:
  bool Raw(TokenSource &source, Token &token);
  bool CollectArguments(TokenSource &source, const Token &name, const MacroDefinition &macro,
                        std::vector<std::vector<Token>> &arguments);
  std::vector<Token> Substitute(const Token &name, const MacroDefinition &macro,
                                const std::vector<std::vector<Token>> &arguments);
  Token Stringize(const Token &where, const std::vector<Token> &argument) const;
  Token Paste(const Token &left, const Token &right) const;

  const MacroTable &macros;
  Diagnostics &diagnostics;
  ExpansionBudget &budget;
  int depth;
  std::deque<Token> pending;
};

} // namespace zrq::d3dx9
