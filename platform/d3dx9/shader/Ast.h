// The syntax tree the parser builds: expressions, statements, declarations and the program.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/Diagnostics.h"
#include "platform/d3dx9/shader/HlslType.h"

namespace zrq::d3dx9 {

enum class ExpressionKind {
  Literal,         // number, type (float, int or bool)
  Identifier,      // text
  Unary,           // text: - + ! ~; operands[0]
  Binary,          // text: the operator; operands[0], operands[1]
  Assign,          // text: = += -= *= /= %=; operands[0] the target, [1] the value
  Conditional,     // operands: condition, when true, when false
  Call,            // text: the function; operands: the arguments
  Constructor,     // type; operands: the arguments
  Member,          // text: field, swizzle or matrix element; operands[0]
  Index,           // operands: the base, the index
  Cast,            // type; operands[0]
  PreIncrement,    // text: ++ or --; operands[0]
  PostIncrement,   // text: ++ or --; operands[0]
  InitializerList, // operands: the values, flattened as they come
};

struct Expression {
  ExpressionKind kind = ExpressionKind::Literal;
  SourceLocation location;
  std::string text;
  float number = 0;
  HlslType type;
  std::vector<std::unique_ptr<Expression>> operands;
  int height = 1; // of the tree below, this node included
};
using ExpressionPtr = std::unique_ptr<Expression>;

struct VariableDeclaration {
  std::string name;
  HlslType type;
  SourceLocation location;
  bool isStatic = false;
  bool isConst = false;
  bool isUniform = false;
  bool isIn = false;  // parameters: in or inout
  bool isOut = false; // parameters: out or inout
  bool rowMajor = false;
  bool columnMajor = false;
  std::string semantic;   // empty when none
  char registerClass = 0; // 'c', 's', ... of register(c4); 0 when none
  uint32_t registerIndex = 0;
  ExpressionPtr initializer; // may be null
};

enum class StatementKind {
  Block,
  Declaration,
  Expression,
  If,
  For,
  While,
  DoWhile,
  Return,
  Break,
  Continue,
  Discard,
  Empty
};

struct Statement {
  StatementKind kind = StatementKind::Empty;
  SourceLocation location;
  std::vector<std::unique_ptr<Statement>> statements; // a block's
  std::vector<VariableDeclaration> declarations;      // a declaration's
  ExpressionPtr expression;             // an expression statement's, a condition, a return value
  ExpressionPtr step;                   // a for loop's
  std::unique_ptr<Statement> init;      // a for loop's (may be null)
  std::unique_ptr<Statement> body;      // a loop's, or an if's branch
  std::unique_ptr<Statement> otherwise; // an if's else branch (may be null)
};
using StatementPtr = std::unique_ptr<Statement>;

struct FunctionDeclaration {
  std::string name;
  HlslType returnType;
  std::string returnSemantic;
  std::vector<VariableDeclaration> parameters;
  StatementPtr body; // null for a declaration without a body
  SourceLocation location;
};

struct Program {
  std::deque<StructInfo> structs; // a deque, so that types may point at them
  std::vector<VariableDeclaration> globals;
  std::vector<FunctionDeclaration> functions;
};

} // namespace zrq::d3dx9
