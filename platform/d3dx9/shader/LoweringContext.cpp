#include "platform/d3dx9/shader/LoweringContext.h"

namespace zrq::d3dx9 {
namespace {

bool IsZero(const Components &c) { return c.size() == 1 && c[0].IsLiteral(0.0f); }

} // namespace

Components LoweringContext::Inactive() {
  Components inactive = {Component::Constant(0.0f)};
  if (activeFlags.empty()) return inactive;
  for (const std::string &name : activeFlags.back()) {
    const Variable *flag = environment.Find(name);
    if (!flag || IsZero(flag->components)) continue;
    inactive = IsZero(inactive) ? flag->components : math.Or(inactive, flag->components);
  }
  return inactive;
}

Components LoweringContext::Guard(const Components &old, const Components &now) {
  if (unguarded) return now;
  const Components inactive = Inactive();
  if (IsZero(inactive)) return now;
  Components kept = old;
  kept.resize(now.size());
  for (size_t i = 0; i < now.size(); ++i)
    if (kept[i].kind == Component::Kind::Undefined) kept[i] = now[i];
  return math.Select(inactive, kept, now);
}

Components LoweringContext::Merge(const Component &condition, const Components &whenTrue,
                                  const Components &whenFalse) {
  Components t = whenTrue, f = whenFalse;
  for (size_t i = 0; i < t.size() && i < f.size(); ++i) {
    if (t[i].kind == Component::Kind::Undefined) t[i] = f[i];
    if (f[i].kind == Component::Kind::Undefined) f[i] = t[i];
  }
  return math.Select({condition}, t, f);
}

} // namespace zrq::d3dx9
