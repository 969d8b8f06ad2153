#include "platform/registry/RegistryTree.h"

namespace zrq::registry {

RegistryTree::RegistryTree() {
  roots.reserve(std::size(kRoots));
  for (Root root : kRoots) roots.emplace_back(std::u16string(RootName(root)));
}

RegistryKey &RegistryTree::RootKey(Root root) { return roots[static_cast<size_t>(root)]; }
const RegistryKey &RegistryTree::RootKey(Root root) const {
  return roots[static_cast<size_t>(root)];
}

RegistryKey *RegistryTree::Find(const KeyPath &path) {
  return const_cast<RegistryKey *>(static_cast<const RegistryTree *>(this)->Find(path));
}

const RegistryKey *RegistryTree::Find(const KeyPath &path) const {
  const RegistryKey *key = &RootKey(path.root);
  for (const std::u16string &name : path.names) {
    key = key->Child(name);
    if (key == nullptr) return nullptr;
  }
  return key;
}

} // namespace zrq::registry
