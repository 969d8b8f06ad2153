#include "platform/d3dx9/shader/PreprocessorExpression.h"

#include <cctype>

#include "platform/d3dx9/shader/ErrorCodes.h"

namespace zrq::d3dx9 {
namespace {

constexpr int kMaxNesting = 256;

// Binary operators by precedence, loosest first.
const std::vector<std::vector<const char *>> kLevels = {
    {"||"},       {"&&"},     {"|"},          {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="},
    {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};

uint64_t U(int64_t v) { return static_cast<uint64_t>(v); }
int64_t S(uint64_t v) { return static_cast<int64_t>(v); }

} // namespace

int64_t PreprocessorExpression::Evaluate() {
  if (tokens.empty()) Fail("#if has no condition");
  const int64_t value = Conditional();
  if (position != tokens.size())
    Fail("unexpected '" + tokens[position].text + "' in the condition");
  return value;
}

void PreprocessorExpression::Fail(const std::string &message) {
  diagnostics.Error(position < tokens.size() ? tokens[position].location : where,
                    error::kPreprocessorSyntax, message);
}

bool PreprocessorExpression::Accept(const char *spelling) {
  const Token *t = Peek();
  if (!t || !t->Is(spelling)) return false;
  ++position;
  return true;
}

int64_t PreprocessorExpression::Conditional() {
  if (++nesting > kMaxNesting) Fail("condition nests too deeply");
  const int64_t condition = Binary(0);
  int64_t value = condition;
  if (Accept("?")) {
    const int64_t a = Conditional();
    if (!Accept(":")) Fail("':' expected in the condition");
    const int64_t b = Conditional();
    value = condition ? a : b;
  }
  --nesting;
  return value;
}

int64_t PreprocessorExpression::Binary(int level) {
  if (level == static_cast<int>(kLevels.size())) return Unary();
  int64_t value = Binary(level + 1);
  for (;;) {
    const Token *t = Peek();
    bool matched = false;
    for (const char *op : kLevels[level])
      if (t && t->Is(op)) matched = true;
    if (!matched) return value;
    const Token op = *t;
    ++position;
    value = Apply(op, value, Binary(level + 1));
  }
}

int64_t PreprocessorExpression::Apply(const Token &op, int64_t a, int64_t b) {
  const std::string &o = op.text;
  if (o == "||") return a || b;
  if (o == "&&") return a && b;
  if (o == "|") return a | b;
  if (o == "^") return a ^ b;
  if (o == "&") return a & b;
  if (o == "==") return a == b;
  if (o == "!=") return a != b;
  if (o == "<") return a < b;
  if (o == ">") return a > b;
  if (o == "<=") return a <= b;
  if (o == ">=") return a >= b;
  if (o == "<<") return S(U(a) << (U(b) & 63));
  if (o == ">>") return a >> (U(b) & 63);
  if (o == "+") return S(U(a) + U(b));
  if (o == "-") return S(U(a) - U(b));
  if (o == "*") return S(U(a) * U(b));
  if (b == 0) diagnostics.Error(op.location, error::kDivisionByZero, "division by zero in #if");
  if (b == -1) return o == "/" ? S(0 - U(a)) : 0; // no overflow for the smallest value
  return o == "/" ? a / b : a % b;
}

int64_t PreprocessorExpression::Unary() {
  if (++nesting > kMaxNesting) Fail("condition nests too deeply");
  int64_t value;
  if (Accept("-"))
    value = S(0 - U(Unary()));
  else if (Accept("+"))
    value = Unary();
  else if (Accept("!"))
    value = !Unary();
  else if (Accept("~"))
    value = ~Unary();
  else
    value = Primary();
  --nesting;
  return value;
}

int64_t PreprocessorExpression::Primary() {
  const Token *t = Peek();
  if (!t) Fail("condition ends too early");
  if (t->Is("(")) {
    ++position;
    const int64_t value = Conditional();
    if (!Accept(")")) Fail("')' expected in the condition");
    return value;
  }
  ++position;
  if (t->kind == TokenKind::Identifier) return t->text == "true" ? 1 : 0;
  if (t->kind != TokenKind::Number) Fail("unexpected '" + t->text + "' in the condition");
  std::string digits = t->text;
  while (!digits.empty() && (digits.back() == 'u' || digits.back() == 'U' || digits.back() == 'l' ||
                             digits.back() == 'L'))
    digits.pop_back();
  int base = 10;
  size_t start = 0;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    start = 2;
  } else if (digits.size() > 1 && digits[0] == '0') {
    base = 8;
    start = 1;
  }
  uint64_t value = 0;
  for (size_t i = start; i < digits.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(digits[i]));
    const int digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : 99;
    if (digit >= base || digits.size() == start) {
      --position;
      Fail("'" + t->text + "' is not an integer");
    }
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
  }
  return S(value);
}

} // namespace zrq::d3dx9
