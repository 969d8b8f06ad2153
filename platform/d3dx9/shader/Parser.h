// Parses the preprocessed tokens of the shader language subset into a Program: structs,
// global variables, functions, statements and expressions. Syntax errors name the token
// where the parse failed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/Ast.h"
#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

class Parser {
public:
  Parser(const std::vector<Token> &tokens, Diagnostics &diagnostics)
      : tokens(tokens), diagnostics(diagnostics) {}

  Program Parse();

private:
  struct Modifiers {
    bool isStatic = false, isConst = false, isUniform = false, isIn = false, isOut = false;
    bool rowMajor = false, columnMajor = false;
  };

  // Tokens.
  const Token *Peek(size_t ahead = 0) const;
  const Token &Current() const;
  bool PeekIs(const char *spelling, size_t ahead = 0) const;
  bool Accept(const char *spelling);
  void Expect(const char *spelling);
  const Token &Take();
  std::string Identifier(const char *what);
  [[noreturn]] void Fail(const Token &at, const std::string &message);
  [[noreturn]] void Fail(const std::string &message);
  void Enter();
  void Leave() { --depth; }

  // Types and declarations.
  std::optional<HlslType> BuiltinType(const std::string &name) const;
  size_t TypeLength(size_t at) const; // tokens a type starting at `at` spans; 0 if none does
  HlslType ParseType();
  Modifiers ParseModifiers();
  bool IsModifier(const Token &t) const;
  void TopLevel();
  void StructDeclaration();
  void Declarators(const Modifiers &modifiers, HlslType type, std::string firstName,
                   SourceLocation firstAt, std::vector<VariableDeclaration> &out);
  void ArraySuffix(HlslType &type);
  void Annotations(VariableDeclaration &v);
  ExpressionPtr Initializer();
  void FunctionRest(HlslType returnType, std::string name, SourceLocation at);
  VariableDeclaration Parameter();

  // Statements.
  StatementPtr ParseStatement();
  StatementPtr Block();
  bool StartsDeclaration() const;
  StatementPtr Declaration();

  // Expressions.
  ExpressionPtr Expression();
  ExpressionPtr Assignment();
  ExpressionPtr Conditional();
  ExpressionPtr Binary(int level);
  ExpressionPtr Unary();
  ExpressionPtr Postfix();
  ExpressionPtr Primary();
  ExpressionPtr Literal(const Token &t);
  ExpressionPtr Arguments(ExpressionPtr call);
  // The node, its height known; a tree too high for code generation's recursion is an error.
  ExpressionPtr Measured(ExpressionPtr e);

  const std::vector<Token> &tokens;
  Diagnostics &diagnostics;
  size_t position = 0;
  int depth = 0;
  Program program;
  std::map<std::string, const StructInfo *> structs;
};

} // namespace zrq::d3dx9
