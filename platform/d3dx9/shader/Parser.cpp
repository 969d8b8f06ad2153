#include "platform/d3dx9/shader/Parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/FloatText.h"

namespace zrq::d3dx9 {
namespace {

constexpr int kMaxDepth = 200;
// Operator chains (a + b + c ...) nest without recursion in the parser, but code generation
// recurses through them.
constexpr int kMaxHeight = 1000;

const std::vector<std::vector<const char *>> kBinaryLevels = {
    {"||"},       {"&&"},     {"|"},          {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="},
    {"<<", ">>"}, {"+", "-"}, {"*", "/", "%"}};

constexpr const char *kAssignments[] = {"=", "+=", "-=", "*=", "/=", "%="};

// Keywords that qualify a declaration and that the subset takes without effect.
constexpr const char *kIgnoredModifiers[] = {"extern",  "inline",   "volatile",
                                             "precise", "shared",   "nointerpolation",
                                             "linear",  "centroid", "noperspective"};

ExpressionPtr Node(ExpressionKind kind, const Token &at) {
  auto e = std::make_unique<Expression>();
  e->kind = kind;
  e->location = at.location;
  return e;
}

} // namespace

// ---- Tokens ----------------------------------------------------------------------------------

const Token *Parser::Peek(size_t ahead) const {
  return position + ahead < tokens.size() ? &tokens[position + ahead] : nullptr;
}

const Token &Parser::Current() const {
  if (position < tokens.size()) return tokens[position];
  static const Token kEnd;
  return tokens.empty() ? kEnd : tokens.back();
}

bool Parser::PeekIs(const char *spelling, size_t ahead) const {
  const Token *t = Peek(ahead);
  return t && t->Is(spelling);
}

bool Parser::Accept(const char *spelling) {
  if (!PeekIs(spelling)) return false;
  ++position;
  return true;
}

void Parser::Expect(const char *spelling) {
  if (!Accept(spelling)) Fail(std::string("'") + spelling + "' expected");
}

const Token &Parser::Take() {
  if (position >= tokens.size()) Fail("unexpected end of file");
  return tokens[position++];
}

std::string Parser::Identifier(const char *what) {
  const Token *t = Peek();
  if (!t || t->kind != TokenKind::Identifier) Fail(std::string(what) + " expected");
  ++position;
  return t->text;
}

void Parser::Fail(const Token &at, const std::string &message) {
  diagnostics.Error(at.location, error::kSyntax, "syntax error: " + message);
}

void Parser::Fail(const std::string &message) {
  if (position >= tokens.size()) {
    SourceLocation end = tokens.empty() ? SourceLocation{} : tokens.back().location;
    if (!tokens.empty()) end.column += static_cast<uint32_t>(tokens.back().text.size());
    diagnostics.Error(end, error::kSyntax, "syntax error: unexpected end of file, " + message);
  }
  Fail(tokens[position], "unexpected '" + tokens[position].text + "', " + message);
}

void Parser::Enter() {
  if (++depth > kMaxDepth)
    diagnostics.Error(Current().location, error::kNestingTooDeep, "code nests too deeply");
}

// ---- Types -----------------------------------------------------------------------------------

std::optional<HlslType> Parser::BuiltinType(const std::string &name) const {
  if (name == "void") return HlslType::Scalar(BaseType::Void);
  if (name == "vector") return HlslType::Vector(BaseType::Float, 4);
  if (name == "matrix") return HlslType::Matrix(BaseType::Float, 4, 4);
  static const std::pair<const char *, SamplerDimension> kSamplers[] = {
      {"sampler", SamplerDimension::Any},
      {"sampler1D", SamplerDimension::Tex1D},
      {"sampler2D", SamplerDimension::Tex2D},
      {"sampler3D", SamplerDimension::Tex3D},
      {"samplerCUBE", SamplerDimension::Cube}};
  for (const auto &[spelling, dimension] : kSamplers)
    if (name == spelling) {
      HlslType t = HlslType::Scalar(BaseType::Sampler);
      t.sampler = dimension;
      return t;
    }
  static const std::pair<const char *, BaseType> kScalars[] = {
      {"bool", BaseType::Bool},   {"int", BaseType::Int},    {"uint", BaseType::Int},
      {"dword", BaseType::Int},   {"half", BaseType::Float}, {"float", BaseType::Float},
      {"double", BaseType::Float}};
  for (const auto &[spelling, base] : kScalars) {
    const std::string prefix = spelling;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    const auto dimension = [](char c) { return c >= '1' && c <= '4' ? c - '0' : 0; };
    if (rest.empty()) return HlslType::Scalar(base);
    if (rest.size() == 1 && dimension(rest[0])) return HlslType::Vector(base, dimension(rest[0]));
    if (rest.size() == 3 && dimension(rest[0]) && rest[1] == 'x' && dimension(rest[2]))
      return HlslType::Matrix(base, dimension(rest[0]), dimension(rest[2]));
  }
  return std::nullopt;
}

size_t Parser::TypeLength(size_t at) const {
  const Token *t = Peek(at);
  if (!t || t->kind != TokenKind::Identifier) return 0;
  if ((t->text == "vector" || t->text == "matrix") && PeekIs("<", at + 1)) {
    size_t n = at + 2;
    while (Peek(n) && !PeekIs(">", n)) ++n;
    return Peek(n) ? n - at + 1 : 0;
  }
  if (BuiltinType(t->text) || structs.count(t->text)) return 1;
  return 0;
}

HlslType Parser::ParseType() {
  const Token &t = Current();
  if (t.kind != TokenKind::Identifier) Fail("type expected");
  if ((t.text == "vector" || t.text == "matrix") && PeekIs("<", 1)) {
    const bool matrix = t.text == "matrix";
    position += 2;
    const std::string element = Identifier("element type");
    const std::optional<HlslType> base = BuiltinType(element);
    if (!base || !base->IsScalar())
      Fail(tokens[position - 1], "'" + element + "' is not a scalar type");
    const auto dimension = [&]() {
      Expect(",");
      const Token &n = Take();
      if (n.kind != TokenKind::Number || n.text.size() != 1 || n.text[0] < '1' || n.text[0] > '4')
        Fail(n, "dimension 1 to 4 expected");
      return n.text[0] - '0';
    };
    const int first = dimension();
    const int second = matrix ? dimension() : 0;
    Expect(">");
    return matrix ? HlslType::Matrix(base->base, first, second)
                  : HlslType::Vector(base->base, first);
  }
  if (t.text == "texture" || t.text == "Texture2D" || t.text == "SamplerState")
    diagnostics.Error(t.location, error::kNotSupported,
                      "'" + t.text + "' objects are not supported; use sampler2D");
  if (const std::optional<HlslType> builtin = BuiltinType(t.text)) {
    ++position;
    return *builtin;
  }
  if (const auto found = structs.find(t.text); found != structs.end()) {
    ++position;
    HlslType s = HlslType::Scalar(BaseType::Struct);
    s.structInfo = found->second;
    return s;
  }
  Fail("type expected");
}

bool Parser::IsModifier(const Token &t) const {
  if (t.kind != TokenKind::Identifier) return false;
  static const char *const kModifiers[] = {"static", "const", "uniform",   "in",
                                           "out",    "inout", "row_major", "column_major"};
  for (const char *m : kModifiers)
    if (t.text == m) return true;
  for (const char *m : kIgnoredModifiers)
    if (t.text == m) return true;
  return false;
}

Parser::Modifiers Parser::ParseModifiers() {
  Modifiers m;
  while (Peek() && IsModifier(*Peek())) {
    const std::string &w = Take().text;
    if (w == "static") m.isStatic = true;
    if (w == "const") m.isConst = true;
    if (w == "uniform") m.isUniform = true;
    if (w == "in") m.isIn = true;
    if (w == "out") m.isOut = true;
    if (w == "inout") m.isIn = m.isOut = true;
    if (w == "row_major") m.rowMajor = true;
    if (w == "column_major") m.columnMajor = true;
  }
  return m;
}

// ---- Declarations ----------------------------------------------------------------------------

Program Parser::Parse() {
  while (position < tokens.size()) TopLevel();
  return std::move(program);
}

void Parser::TopLevel() {
  if (Accept(";")) return;
  if (PeekIs("struct")) {
    StructDeclaration();
    return;
  }
  const Modifiers modifiers = ParseModifiers();
  const HlslType type = ParseType();
  const SourceLocation at = Current().location;
  std::string name = Identifier("name");
  if (PeekIs("(")) {
    FunctionRest(type, std::move(name), at);
    return;
  }
  Declarators(modifiers, type, std::move(name), at, program.globals);
}

void Parser::StructDeclaration() {
  const Token &keyword = Take();
  StructInfo info;
  info.name = Identifier("struct name");
  if (structs.count(info.name) || BuiltinType(info.name))
    diagnostics.Error(keyword.location, error::kRedefinition,
                      "redefinition of '" + info.name + "'");
  Expect("{");
  while (!Accept("}")) {
    Enter();
    ParseModifiers();
    const HlslType type = ParseType();
    do {
      VariableDeclaration field;
      field.location = Current().location;
      field.name = Identifier("field name");
      field.type = type;
      ArraySuffix(field.type);
      Annotations(field);
      for (const StructField &f : info.fields)
        if (f.name == field.name)
          diagnostics.Error(field.location, error::kRedefinition,
                            "redefinition of field '" + field.name + "'");
      info.fields.push_back({field.name, field.type, field.semantic});
    } while (Accept(","));
    Expect(";");
    Leave();
  }
  if (info.fields.empty())
    diagnostics.Error(keyword.location, error::kNotSupported, "empty structs are not supported");
  Expect(";");
  program.structs.push_back(std::move(info));
  structs[program.structs.back().name] = &program.structs.back();
}

void Parser::ArraySuffix(HlslType &type) {
  if (!Accept("[")) return;
  const Token &n = Take();
  uint32_t size = 0;
  const auto [end, ec] = std::from_chars(n.text.data(), n.text.data() + n.text.size(), size);
  if (n.kind != TokenKind::Number || ec != std::errc() || end != n.text.data() + n.text.size() ||
      size == 0 || size > 4096)
    Fail(n, "array size must be an integer from 1 to 4096");
  if (type.IsArray())
    diagnostics.Error(n.location, error::kNotSupported, "arrays of arrays are not supported");
  type.arraySize = size;
  Expect("]");
}

void Parser::Annotations(VariableDeclaration &v) {
  while (Accept(":")) {
    const Token &t = Take();
    if (t.kind != TokenKind::Identifier) Fail(t, "semantic expected");
    if (t.text == "register") {
      Expect("(");
      const Token &r = Take();
      if (r.kind != TokenKind::Identifier || r.text.size() < 2 ||
          !std::isdigit(static_cast<unsigned char>(r.text[1])))
        Fail(r, "register such as c4 or s0 expected");
      uint32_t index = 0;
      const auto [end, ec] =
          std::from_chars(r.text.data() + 1, r.text.data() + r.text.size(), index);
      if (ec != std::errc() || end != r.text.data() + r.text.size() || index > 4095)
        Fail(r, "register number expected");
      v.registerClass = static_cast<char>(std::tolower(static_cast<unsigned char>(r.text[0])));
      v.registerIndex = index;
      Expect(")");
    } else if (t.text == "packoffset") {
      diagnostics.Error(t.location, error::kNotSupported, "packoffset is not supported");
    } else {
      v.semantic = t.text;
    }
  }
}

ExpressionPtr Parser::Initializer() {
  if (!PeekIs("{")) return Assignment();
  Enter();
  auto list = Node(ExpressionKind::InitializerList, Take());
  while (!Accept("}")) {
    ExpressionPtr item = Initializer();
    // Nested braces flatten: their values join the list in order.
    if (item->kind == ExpressionKind::InitializerList)
      for (ExpressionPtr &inner : item->operands) list->operands.push_back(std::move(inner));
    else
      list->operands.push_back(std::move(item));
    if (!Accept(",")) {
      Expect("}");
      break;
    }
  }
  Leave();
  return list;
}

void Parser::Declarators(const Modifiers &m, HlslType type, std::string firstName,
                         SourceLocation firstAt, std::vector<VariableDeclaration> &out) {
  std::string name = std::move(firstName);
  SourceLocation at = firstAt;
  for (;;) {
    VariableDeclaration v;
    v.name = std::move(name);
    v.location = at;
    v.type = type;
    v.isStatic = m.isStatic;
    v.isConst = m.isConst;
    v.isUniform = m.isUniform;
    v.isIn = m.isIn;
    v.isOut = m.isOut;
    v.rowMajor = m.rowMajor;
    v.columnMajor = m.columnMajor;
    ArraySuffix(v.type);
    Annotations(v);
    if (PeekIs("<"))
      diagnostics.Error(Current().location, error::kNotSupported, "annotations are not supported");
    if (Accept("=")) v.initializer = Initializer();
    out.push_back(std::move(v));
    if (!Accept(",")) break;
    at = Current().location;
    name = Identifier("name");
  }
  Expect(";");
}

VariableDeclaration Parser::Parameter() {
  const Modifiers m = ParseModifiers();
  VariableDeclaration p;
  p.type = ParseType();
  p.location = Current().location;
  p.name = Identifier("parameter name");
  p.isUniform = m.isUniform;
  p.isConst = m.isConst;
  p.isIn = m.isIn || !m.isOut;
  p.isOut = m.isOut;
  p.rowMajor = m.rowMajor;
  p.columnMajor = m.columnMajor;
  ArraySuffix(p.type);
  Annotations(p);
  if (Accept("=")) p.initializer = Assignment();
  return p;
}

void Parser::FunctionRest(HlslType returnType, std::string name, SourceLocation at) {
  FunctionDeclaration f;
  f.name = std::move(name);
  f.returnType = returnType;
  f.location = at;
  Expect("(");
  if (PeekIs("void") && PeekIs(")", 1)) ++position;
  if (!Accept(")")) {
    do f.parameters.push_back(Parameter());
    while (Accept(","));
    Expect(")");
  }
  if (Accept(":")) f.returnSemantic = Identifier("semantic");
  if (!Accept(";")) f.body = Block();
  program.functions.push_back(std::move(f));
}

// ---- Statements ------------------------------------------------------------------------------

StatementPtr Parser::Block() {
  auto block = std::make_unique<Statement>();
  block->kind = StatementKind::Block;
  block->location = Current().location;
  Expect("{");
  Enter();
  while (!Accept("}")) block->statements.push_back(ParseStatement());
  Leave();
  return block;
}

bool Parser::StartsDeclaration() const {
  const Token *t = Peek();
  if (!t) return false;
  if (IsModifier(*t)) return true;
  const size_t length = TypeLength(0);
  const Token *after = Peek(length);
  return length && after && after->kind == TokenKind::Identifier;
}

StatementPtr Parser::Declaration() {
  auto s = std::make_unique<Statement>();
  s->kind = StatementKind::Declaration;
  s->location = Current().location;
  const Modifiers m = ParseModifiers();
  const HlslType type = ParseType();
  const SourceLocation at = Current().location;
  std::string name = Identifier("variable name");
  Declarators(m, type, std::move(name), at, s->declarations);
  return s;
}

StatementPtr Parser::ParseStatement() {
  Enter();
  while (PeekIs("[")) { // attributes such as [unroll] or [branch] change nothing here
    while (Peek() && !PeekIs("]")) ++position;
    Expect("]");
  }
  auto s = std::make_unique<Statement>();
  s->location = Current().location;
  const Token &t = Current();
  if (t.Is("{")) {
    s = Block();
  } else if (Accept(";")) {
    s->kind = StatementKind::Empty;
  } else if (t.kind == TokenKind::Identifier && t.text == "if") {
    ++position;
    s->kind = StatementKind::If;
    Expect("(");
    s->expression = Expression();
    Expect(")");
    s->body = ParseStatement();
    if (PeekIs("else")) {
      ++position;
      s->otherwise = ParseStatement();
    }
  } else if (t.kind == TokenKind::Identifier && t.text == "for") {
    ++position;
    s->kind = StatementKind::For;
    Expect("(");
    if (!Accept(";")) {
      if (StartsDeclaration()) {
        s->init = Declaration();
      } else {
        s->init = std::make_unique<Statement>();
        s->init->kind = StatementKind::Expression;
        s->init->location = Current().location;
        s->init->expression = Expression();
        Expect(";");
      }
    }
    if (!PeekIs(";")) s->expression = Expression();
    Expect(";");
    if (!PeekIs(")")) s->step = Expression();
    Expect(")");
    s->body = ParseStatement();
  } else if (t.kind == TokenKind::Identifier && t.text == "while") {
    ++position;
    s->kind = StatementKind::While;
    Expect("(");
    s->expression = Expression();
    Expect(")");
    s->body = ParseStatement();
  } else if (t.kind == TokenKind::Identifier && t.text == "do") {
    ++position;
    s->kind = StatementKind::DoWhile;
    s->body = ParseStatement();
    if (!PeekIs("while")) Fail("'while' expected");
    ++position;
    Expect("(");
    s->expression = Expression();
    Expect(")");
    Expect(";");
  } else if (t.kind == TokenKind::Identifier && t.text == "return") {
    ++position;
    s->kind = StatementKind::Return;
    if (!PeekIs(";")) s->expression = Expression();
    Expect(";");
  } else if (t.kind == TokenKind::Identifier &&
             (t.text == "break" || t.text == "continue" || t.text == "discard")) {
    ++position;
    s->kind = t.text == "break"      ? StatementKind::Break
              : t.text == "continue" ? StatementKind::Continue
                                     : StatementKind::Discard;
    Expect(";");
  } else if (StartsDeclaration()) {
    s = Declaration();
  } else {
    s->kind = StatementKind::Expression;
    s->expression = Expression();
    Expect(";");
  }
  Leave();
  return s;
}

// ---- Expressions -----------------------------------------------------------------------------

ExpressionPtr Parser::Expression() {
  ExpressionPtr e = Assignment();
  if (PeekIs(","))
    diagnostics.Error(Current().location, error::kNotSupported,
                      "the comma operator is not supported");
  return e;
}

ExpressionPtr Parser::Assignment() {
  Enter();
  ExpressionPtr target = Conditional();
  for (const char *op : kAssignments)
    if (PeekIs(op)) {
      const Token &t = Take();
      auto e = Node(ExpressionKind::Assign, t);
      e->text = op;
      e->operands.push_back(std::move(target));
      e->operands.push_back(Assignment());
      Leave();
      return Measured(std::move(e));
    }
  Leave();
  return target;
}

ExpressionPtr Parser::Conditional() {
  ExpressionPtr condition = Binary(0);
  if (!PeekIs("?")) return condition;
  Enter();
  auto e = Node(ExpressionKind::Conditional, Take());
  e->operands.push_back(std::move(condition));
  e->operands.push_back(Assignment());
  Expect(":");
  e->operands.push_back(Conditional());
  Leave();
  return Measured(std::move(e));
}

ExpressionPtr Parser::Binary(int level) {
  if (level == static_cast<int>(kBinaryLevels.size())) return Unary();
  ExpressionPtr left = Binary(level + 1);
  for (;;) {
    const char *matched = nullptr;
    for (const char *op : kBinaryLevels[level])
      if (PeekIs(op)) matched = op;
    if (!matched) return left;
    auto e = Node(ExpressionKind::Binary, Take());
    e->text = matched;
    e->operands.push_back(std::move(left));
    e->operands.push_back(Binary(level + 1));
    left = Measured(std::move(e));
  }
}

ExpressionPtr Parser::Unary() {
  Enter();
  ExpressionPtr result;
  const Token &t = Current();
  if (t.Is("-") || t.Is("+") || t.Is("!") || t.Is("~")) {
    auto e = Node(ExpressionKind::Unary, Take());
    e->text = t.text;
    e->operands.push_back(Unary());
    result = std::move(e);
  } else if (t.Is("++") || t.Is("--")) {
    auto e = Node(ExpressionKind::PreIncrement, Take());
    e->text = t.text;
    e->operands.push_back(Unary());
    result = std::move(e);
  } else if (t.Is("(") && TypeLength(1) && PeekIs(")", 1 + TypeLength(1))) {
    auto e = Node(ExpressionKind::Cast, Take());
    e->type = ParseType();
    ArraySuffix(e->type);
    Expect(")");
    e->operands.push_back(Unary());
    result = std::move(e);
  } else {
    result = Postfix();
  }
  Leave();
  return Measured(std::move(result));
}

ExpressionPtr Parser::Postfix() {
  ExpressionPtr e = Primary();
  for (;;) {
    if (PeekIs(".")) {
      auto m = Node(ExpressionKind::Member, Take());
      const Token &name = Take();
      // A swizzle of a literal (1.xxx) lexes as a number; anything else must be a name.
      if (name.kind != TokenKind::Identifier) Fail(name, "member name expected");
      m->text = name.text;
      m->operands.push_back(std::move(e));
      e = Measured(std::move(m));
    } else if (PeekIs("[")) {
      auto index = Node(ExpressionKind::Index, Take());
      index->operands.push_back(std::move(e));
      index->operands.push_back(Expression());
      Expect("]");
      e = Measured(std::move(index));
    } else if (PeekIs("++") || PeekIs("--")) {
      auto post = Node(ExpressionKind::PostIncrement, Take());
      post->text = tokens[position - 1].text;
      post->operands.push_back(std::move(e));
      e = Measured(std::move(post));
    } else {
      return e;
    }
  }
}

ExpressionPtr Parser::Measured(ExpressionPtr e) {
  for (const ExpressionPtr &o : e->operands) e->height = std::max(e->height, o->height + 1);
  if (e->height > kMaxHeight)
    diagnostics.Error(e->location, error::kNestingTooDeep, "the expression nests too deeply");
  return e;
}

ExpressionPtr Parser::Arguments(ExpressionPtr call) {
  Expect("(");
  if (!Accept(")")) {
    do call->operands.push_back(Assignment());
    while (Accept(","));
    Expect(")");
  }
  return Measured(std::move(call));
}

ExpressionPtr Parser::Primary() {
  const Token &t = Current();
  if (t.kind == TokenKind::Number) {
    ++position;
    return Literal(t);
  }
  if (t.Is("(")) {
    ++position;
    Enter();
    ExpressionPtr e = Expression();
    Expect(")");
    Leave();
    return e;
  }
  if (t.kind != TokenKind::Identifier) Fail("expression expected");
  if (t.text == "true" || t.text == "false") {
    auto e = Node(ExpressionKind::Literal, Take());
    e->type = HlslType::Scalar(BaseType::Bool);
    e->number = t.text == "true" ? 1.0f : 0.0f;
    return e;
  }
  if (const size_t length = TypeLength(0); length && PeekIs("(", length)) {
    auto e = Node(ExpressionKind::Constructor, t);
    e->type = ParseType();
    return Arguments(std::move(e));
  }
  if (PeekIs("(", 1)) {
    auto e = Node(ExpressionKind::Call, Take());
    e->text = t.text;
    return Arguments(std::move(e));
  }
  auto e = Node(ExpressionKind::Identifier, Take());
  e->text = t.text;
  return e;
}

ExpressionPtr Parser::Literal(const Token &t) {
  auto e = Node(ExpressionKind::Literal, t);
  std::string text = t.text;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  bool isFloat = !hex && (text.find_first_of(".eE") != std::string::npos);
  while (!text.empty() && std::string("fFhHlLuU").find(text.back()) != std::string::npos) {
    if (!hex &&
        (text.back() == 'f' || text.back() == 'F' || text.back() == 'h' || text.back() == 'H'))
      isFloat = true;
    text.pop_back();
  }
  if (isFloat) {
    float value = 0;
    if (!ParseFloat(text, value)) Fail(t, "'" + t.text + "' is not a number");
    e->type = HlslType::Scalar(BaseType::Float);
    e->number = value;
    return e;
  }
  uint64_t value = 0;
  const int base = hex ? 16 : (text.size() > 1 && text[0] == '0') ? 8 : 10;
  const char *first = text.data() + (hex ? 2 : 0);
  const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull)
    Fail(t, "'" + t.text + "' is not an integer");
  e->type = HlslType::Scalar(BaseType::Int);
  e->number = static_cast<float>(value);
  return e;
}

} // namespace zrq::d3dx9
