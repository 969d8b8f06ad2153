// The macros defined so far in one preprocessor run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/Token.h"

namespace zrq::d3dx9 {

struct MacroDefinition {
  uint32_t id = 0; // unique per definition, for the hidden sets of tokens
  bool functionLike = false;
  std::vector<std::string> parameters;
  std::vector<Token> body;
};

class MacroTable {
public:
  // Defines or redefines `name`.
  void Define(const std::string &name, MacroDefinition macro) {
    macro.id = nextId++;
    table[name] = std::move(macro);
  }
  void Undefine(const std::string &name) { table.erase(name); }
  const MacroDefinition *Find(const std::string &name) const {
    const auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
  }

private:
  std::map<std::string, MacroDefinition> table;
  uint32_t nextId = 1;
};

} // namespace zrq::d3dx9
