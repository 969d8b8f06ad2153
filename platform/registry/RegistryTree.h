// The registry held in memory: the five roots that are kept, each a tree of keys.
#pragma once

#include <vector>

#include "platform/registry/RegistryKey.h"

namespace zrq::registry {

class RegistryTree {
public:
  RegistryTree();
  RegistryTree(const RegistryTree &other) = default;
  RegistryTree(RegistryTree &&other) = default;

  RegistryKey &RootKey(Root root);
  const RegistryKey &RootKey(Root root) const;

  // The key at `path`, or null.
  RegistryKey *Find(const KeyPath &path);
  const RegistryKey *Find(const KeyPath &path) const;

  bool operator==(const RegistryTree &other) const = default;

private:
  std::vector<RegistryKey> roots; // in the order of kRoots
};

} // namespace zrq::registry
