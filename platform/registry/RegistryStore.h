// The registry file: read as a whole, changed as a whole. A change takes the writers' lock
// (an exclusive lock on "<file>.lock" that every process honours), reads the file as it is
// then, makes the change and replaces the file in one step. Readers take no lock: whichever
// file they open is complete.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/registry/RegistryTree.h"

namespace zrq::registry {

class RegistryStore {
public:
  // Makes the change on the tree; sets *changed when the file must be written.
  using Change = std::function<LSTATUS(RegistryTree &tree, bool *changed)>;

  // $ZRQ_REGISTRY, else $XDG_DATA_HOME/zrq/registry.reg, else ~/.local/share/zrq/registry.reg.
  static std::string Path();

  // The registry as the file holds it now (an empty one when there is no file yet).
  static LSTATUS Read(std::shared_ptr<const RegistryTree> *tree);

  // Runs `change` on the registry under the writers' lock and writes the result. A change
  // that fails writes nothing.
  static LSTATUS Modify(const Change &change);

  // Between BeginBatch and EndBatch this thread's changes are made on a tree held under the
  // writers' lock (and its reads see them); EndBatch writes them in one step. Batches nest:
  // the outermost end writes.
  static LSTATUS BeginBatch();
  static LSTATUS EndBatch();

  // What went wrong with the file in this thread's last registry call.
  static const std::string &Problem();
  static void SetProblem(std::string problem);
  static void ClearProblem();
};

} // namespace zrq::registry
