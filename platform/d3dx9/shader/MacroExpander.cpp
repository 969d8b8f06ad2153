#include "platform/d3dx9/shader/MacroExpander.h"

#include <algorithm>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/Lexer.h"

namespace zrq::d3dx9 {
namespace {

constexpr size_t kMaxExpandedTokens = 1u << 20;
constexpr int kMaxArgumentDepth = 64;

class ListSource final : public TokenSource {
public:
  explicit ListSource(std::vector<Token> tokens) : tokens(std::move(tokens)) {}
  bool Next(Token &token) override {
    if (position >= tokens.size()) return false;
    token = std::move(tokens[position++]);
    return true;
  }

private:
  std::vector<Token> tokens;
  size_t position = 0;
};

bool Hidden(const Token &token, uint32_t id) {
  return std::find(token.hidden.begin(), token.hidden.end(), id) != token.hidden.end();
}

int ParameterIndex(const MacroDefinition &macro, const Token &token) {
  if (token.kind != TokenKind::Identifier) return -1;
  for (size_t i = 0; i < macro.parameters.size(); ++i)
    if (macro.parameters[i] == token.text) return static_cast<int>(i);
  return -1;
}

} // namespace

bool MacroExpander::Raw(TokenSource &source, Token &token) {
  if (!pending.empty()) {
    token = std::move(pending.front());
    pending.pop_front();
    return true;
  }
  return source.Next(token);
}

bool MacroExpander::Next(TokenSource &source, Token &token) {
  for (;;) {
    if (!Raw(source, token)) return false;
    if (token.kind != TokenKind::Identifier) return true;
    if (token.text == "__LINE__") {
      token.kind = TokenKind::Number;
      token.text = std::to_string(token.location.line);
      return true;
    }
    if (token.text == "__FILE__") {
      token.kind = TokenKind::String;
      token.text = "\"" + diagnostics.FileName(token.location.file) + "\"";
      return true;
    }
    const MacroDefinition *macro = macros.Find(token.text);
    if (!macro || Hidden(token, macro->id)) return true;
    std::vector<std::vector<Token>> arguments;
    if (macro->functionLike && !CollectArguments(source, token, *macro, arguments)) return true;
    std::vector<Token> expansion = Substitute(token, *macro, arguments);
    budget.tokens += expansion.size() + 1;
    if (budget.tokens > kMaxExpandedTokens)
      diagnostics.Error(token.location, error::kExpansionTooLarge, "macro expansion is too large");
    for (auto t = expansion.rbegin(); t != expansion.rend(); ++t) pending.push_front(std::move(*t));
  }
}

std::vector<Token> MacroExpander::ExpandAll(std::vector<Token> tokens) {
  if (depth >= kMaxArgumentDepth) {
    const SourceLocation where = tokens.empty() ? SourceLocation{} : tokens.front().location;
    diagnostics.Error(where, error::kExpansionTooLarge, "macro arguments nest too deeply");
  }
  ListSource source(std::move(tokens));
  MacroExpander inner(macros, diagnostics, budget, depth + 1);
  std::vector<Token> out;
  Token t;
  while (inner.Next(source, t)) out.push_back(std::move(t));
  return out;
}

bool MacroExpander::CollectArguments(TokenSource &source, const Token &name,
                                     const MacroDefinition &macro,
                                     std::vector<std::vector<Token>> &arguments) {
  Token open;
  if (!Raw(source, open)) return false;
  if (!open.Is("(")) {
    pending.push_front(std::move(open));
    return false; // a function-like macro's name without arguments is just a name
  }
  arguments.emplace_back();
  int nesting = 0;
  for (;;) {
    Token t;
    if (!Raw(source, t))
      diagnostics.Error(name.location, error::kUnterminatedInvocation,
                        "unexpected end of file in the arguments of macro '" + name.text + "'");
    if (++budget.tokens > kMaxExpandedTokens)
      diagnostics.Error(name.location, error::kExpansionTooLarge, "macro expansion is too large");
    if (t.Is("(")) ++nesting;
    if (t.Is(")") && nesting-- == 0) break;
    if (t.Is(",") && nesting == 0) {
      arguments.emplace_back();
      continue;
    }
    arguments.back().push_back(std::move(t));
  }
  // F() passes one empty argument, which a macro without parameters takes as none.
  if (macro.parameters.empty() && arguments.size() == 1 && arguments[0].empty()) arguments.clear();
  if (arguments.size() != macro.parameters.size())
    diagnostics.Error(name.location, error::kMacroArguments,
                      "macro '" + name.text + "' takes " + std::to_string(macro.parameters.size()) +
                          " arguments, not " + std::to_string(arguments.size()));
  return true;
}

std::vector<Token> MacroExpander::Substitute(const Token &name, const MacroDefinition &macro,
                                             const std::vector<std::vector<Token>> &arguments) {
  std::vector<std::vector<Token>> expanded(arguments.size());
  std::vector<bool> done(arguments.size(), false);
  const auto expandedArgument = [&](int p) -> const std::vector<Token> & {
    if (!done[p]) {
      expanded[p] = ExpandAll(arguments[p]);
      done[p] = true;
    }
    return expanded[p];
  };

  std::vector<Token> out;
  bool leftEmpty = true; // the previous element added no token
  const std::vector<Token> &body = macro.body;
  for (size_t i = 0; i < body.size(); ++i) {
    const Token &t = body[i];
    if (macro.functionLike && t.Is("#") && i + 1 < body.size() &&
        ParameterIndex(macro, body[i + 1]) >= 0) {
      out.push_back(Stringize(name, arguments[ParameterIndex(macro, body[++i])]));
      leftEmpty = false;
      continue;
    }
    if (t.Is("##") && i > 0 && i + 1 < body.size()) {
      // The left operand is whatever the previous element left at the end; an empty argument
      // leaves nothing, and the right operand then stands alone.
      const Token &r = body[++i];
      const int p = ParameterIndex(macro, r);
      std::vector<Token> right = p >= 0 ? arguments[p] : std::vector<Token>{r};
      if (!right.empty() && !out.empty() && !leftEmpty) {
        out.back() = Paste(out.back(), right.front());
        out.insert(out.end(), right.begin() + 1, right.end());
      } else {
        out.insert(out.end(), right.begin(), right.end());
      }
      leftEmpty = right.empty();
      continue;
    }
    const int p = ParameterIndex(macro, t);
    if (p >= 0) {
      const bool pasted = i + 1 < body.size() && body[i + 1].Is("##");
      const std::vector<Token> &argument = pasted ? arguments[p] : expandedArgument(p);
      out.insert(out.end(), argument.begin(), argument.end());
      leftEmpty = argument.empty();
      continue;
    }
    out.push_back(t);
    leftEmpty = false;
  }

  for (Token &t : out) {
    t.location = name.location;
    t.atLineStart = false; // an argument's tokens may have started lines of the invocation
    t.hidden.insert(t.hidden.end(), name.hidden.begin(), name.hidden.end());
    t.hidden.push_back(macro.id);
    std::sort(t.hidden.begin(), t.hidden.end());
    t.hidden.erase(std::unique(t.hidden.begin(), t.hidden.end()), t.hidden.end());
  }
  if (!out.empty()) {
    out.front().spaceBefore = name.spaceBefore;
    out.front().atLineStart = name.atLineStart;
  }
  return out;
}

Token MacroExpander::Stringize(const Token &where, const std::vector<Token> &argument) const {
  std::string text = "\"";
  for (size_t i = 0; i < argument.size(); ++i) {
    if (i > 0 && argument[i].spaceBefore) text += ' ';
    for (char c : argument[i].text) {
      if (argument[i].kind == TokenKind::String && (c == '"' || c == '\\')) text += '\\';
      text += c;
    }
  }
  Token t;
  t.kind = TokenKind::String;
  t.text = text + "\"";
  t.location = where.location;
  return t;
}

Token MacroExpander::Paste(const Token &left, const Token &right) const {
  Diagnostics scratch;
  scratch.AddFile(diagnostics.FileName(left.location.file));
  std::vector<Token> tokens;
  try {
    tokens = Lexer(scratch, LexerOptions{}).Tokenize(left.text + right.text, left.location.file);
  } catch (const CompileError &) {
    tokens.clear();
  }
  if (tokens.size() != 1)
    diagnostics.Error(left.location, error::kInvalidPaste,
                      "pasting '" + left.text + "' and '" + right.text +
                          "' does not give a valid token");
  Token t = std::move(tokens.front());
  t.location = left.location;
  t.spaceBefore = left.spaceBefore;
  t.hidden = left.hidden;
  return t;
}

} // namespace zrq::d3dx9
