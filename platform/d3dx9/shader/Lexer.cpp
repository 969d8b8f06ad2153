#include "platform/d3dx9/shader/Lexer.h"

#include <cctype>
#include <iterator>

#include "platform/d3dx9/shader/ErrorCodes.h"

namespace zrq::d3dx9 {
namespace {

// Longest first, so that the first match is the longest.
constexpr const char *kPunctuators[] = {
    ">>=", "<<=", "...", "++", "--", "+=", "-=", "*=", "/=", "%=", "&=", "|=",
    "^=",  "==",  "!=",  "<=", ">=", "&&", "||", "<<", ">>", "##", "->", "::"};
constexpr std::string_view kSingles = "+-*/%=<>!&|^~?:;,.()[]{}#";

// The text with line splices removed and line ends made '\n', each character keeping the
// line and column it was written at.
struct Characters {
  std::string text;
  std::vector<SourceLocation> at;

  Characters(std::string_view source, uint32_t file) {
    text.reserve(source.size());
    at.reserve(source.size());
    uint32_t line = 1, column = 1;
    for (size_t i = 0; i < source.size(); ++i) {
      char c = source[i];
      if (c == '\r') {
        if (i + 1 < source.size() && source[i + 1] == '\n') ++i;
        c = '\n';
      }
      if (c == '\\' && i + 1 < source.size() && (source[i + 1] == '\n' || source[i + 1] == '\r')) {
        i += source[i + 1] == '\r' && i + 2 < source.size() && source[i + 2] == '\n' ? 2 : 1;
        ++line;
        column = 1;
        continue;
      }
      text.push_back(c);
      at.push_back({file, line, column});
      if (c == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
  }
};

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

} // namespace

std::vector<Token> Lexer::Tokenize(std::string_view source, uint32_t file) {
  const Characters chars(source, file);
  const std::string &s = chars.text;
  std::vector<Token> tokens;
  bool lineStart = true, space = false;
  size_t i = 0;
  const auto emit = [&](TokenKind kind, size_t from, size_t to) {
    Token t;
    t.kind = kind;
    t.text = s.substr(from, to - from);
    t.location = chars.at[from];
    t.atLineStart = lineStart;
    t.spaceBefore = space;
    tokens.push_back(std::move(t));
    lineStart = space = false;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      lineStart = true;
      space = false;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
      space = true;
      ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == ';' && options.semicolonComments) {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t end = s.find("*/", i + 2);
      if (end == std::string::npos)
        diagnostics.Error(chars.at[i], error::kUnterminatedComment, "unterminated comment");
      i = end + 2;
      space = true;
    } else if (IsIdentifierStart(c)) {
      size_t j = i + 1;
      while (j < s.size() && IsIdentifierChar(s[j])) ++j;
      emit(TokenKind::Identifier, i, j);
      i = j;
    } else if (IsDigit(c) || (c == '.' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      size_t j = i + 1;
      while (j < s.size()) {
        const char d = s[j];
        const char previous = s[j - 1];
        if (IsIdentifierChar(d) || d == '.') {
          ++j;
        } else if ((d == '+' || d == '-') && (previous == 'e' || previous == 'E')) {
          ++j;
        } else {
          break;
        }
      }
      emit(TokenKind::Number, i, j);
      i = j;
    } else if (c == '"') {
      size_t j = i + 1;
      while (j < s.size() && s[j] != '"' && s[j] != '\n')
        j += s[j] == '\\' && j + 1 < s.size() ? 2 : 1;
      if (j >= s.size() || s[j] != '"')
        diagnostics.Error(chars.at[i], error::kUnterminatedString, "unterminated string");
      emit(TokenKind::String, i, j + 1);
      i = j + 1;
    } else {
      size_t length = 0;
      for (const char *p : kPunctuators) {
        const std::string_view punctuator(p);
        if (s.compare(i, punctuator.size(), punctuator) == 0) {
          length = punctuator.size();
          break;
        }
      }
      if (length == 0 && kSingles.find(c) != std::string_view::npos) length = 1;
      emit(length ? TokenKind::Punctuator : TokenKind::Other, i, i + (length ? length : 1));
      i += length ? length : 1;
    }
  }
  return tokens;
}

} // namespace zrq::d3dx9
