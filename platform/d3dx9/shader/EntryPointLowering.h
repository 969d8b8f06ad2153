// Generates the shader from its entry point: uniforms and statics from the globals, inputs
// from the entry's parameters and their semantics, the inlined body, and the writes of the
// outputs named by the semantics of its result and out parameters.
#pragma once

#include <set>
#include <string>

#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {

class EntryPointLowering {
public:
  explicit EntryPointLowering(LoweringContext &context) : context(context) {}

  void Lower(const std::string &entry);

private:
  struct Semantic {
    std::string name; // upper case, without the index
    uint32_t index = 0;
  };

  void Globals();
  Value Uniform(const VariableDeclaration &v);
  Components Input(const HlslType &type, const std::string &semantic, const SourceLocation &where);
  void Output(const HlslType &type, const Components &value, const std::string &semantic,
              const std::string &name, const SourceLocation &where);
  Semantic Parse(const std::string &semantic, const SourceLocation &where);

  LoweringContext &context;
  std::set<std::string> inputsSeen;
  std::set<std::string> outputsSeen;
};

} // namespace zrq::d3dx9
