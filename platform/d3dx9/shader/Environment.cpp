#include "platform/d3dx9/shader/Environment.h"

namespace zrq::d3dx9 {

Variable *Environment::Find(const std::string &name) {
  std::vector<Scope> &scopes = frames.back();
  for (auto s = scopes.rbegin(); s != scopes.rend(); ++s)
    if (auto found = s->find(name); found != s->end()) return &found->second;
  if (auto found = frames.front().front().find(name); found != frames.front().front().end())
    return &found->second;
  return nullptr;
}

bool Environment::Declare(const std::string &name, Variable variable) {
  return frames.back().back().emplace(name, std::move(variable)).second;
}

bool Environment::DeclareGlobal(const std::string &name, Variable variable) {
  return frames.front().front().emplace(name, std::move(variable)).second;
}

} // namespace zrq::d3dx9
