// The variables in scope while code is generated: the globals, and for each function being
// inlined its parameters and block scopes. A variable holds its current value component by
// component; when code branches, the environment is copied for each branch and the copies
// merged afterwards.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/d3dx9/shader/HlslType.h"
#include "platform/d3dx9/shader/Value.h"

namespace zrq::d3dx9 {

struct Variable {
  HlslType type;
  Components components;
  bool readOnly = false;
};

class Environment {
public:
  Environment() {
    frames.emplace_back();
    frames.back().emplace_back();
  }

  // A function being inlined sees the globals and its own scopes only.
  void PushFrame() { frames.emplace_back(1); }
  void PopFrame() { frames.pop_back(); }
  void PushScope() { frames.back().emplace_back(); }
  void PopScope() { frames.back().pop_back(); }

  Variable *Find(const std::string &name);
  // False when the innermost scope already has the name.
  bool Declare(const std::string &name, Variable variable);
  // Declares in the globals' scope.
  bool DeclareGlobal(const std::string &name, Variable variable);

  // Calls merge(name, inThis, inOther) for each variable of this environment and its place in
  // `other`, an environment of the same shape (a copy that went through a branch).
  template <typename Merge> void MergeWith(Environment &other, Merge merge) {
    for (size_t f = 0; f < frames.size(); ++f)
      for (size_t s = 0; s < frames[f].size(); ++s)
        for (auto &[name, variable] : frames[f][s])
          merge(name, variable, other.frames[f][s].at(name));
  }

private:
  using Scope = std::map<std::string, Variable>;
  std::vector<std::vector<Scope>> frames; // frames[0] holds the globals
};

} // namespace zrq::d3dx9
