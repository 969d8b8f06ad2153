// Our own registry calls for tools: where the file is, what went wrong with it, and .reg
// files in and out.
#include <cstring>

#include <zrqregistry.h>

#include "platform/registry/AtomicFile.h"
#include "platform/registry/KeyHandles.h"
#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"
#include "platform/registry/RegistryCall.h"
#include "platform/registry/RegistryStore.h"

using namespace zrq::registry;

namespace {

constexpr size_t kMaxImportSize = 64 * 1024 * 1024;

DWORD CopyText(const std::string &text, LPSTR buffer, DWORD size) {
  if (buffer != nullptr && size > 0) {
    const size_t copied = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<DWORD>(text.size());
}

} // namespace

STDAPI_(DWORD) ZrqRegGetStorePath(LPSTR buffer, DWORD size) {
  try {
    return CopyText(RegistryStore::Path(), buffer, size);
  } catch (...) {
    return 0;
  }
}

STDAPI_(DWORD) ZrqRegGetLastProblem(LPSTR buffer, DWORD size) {
  return CopyText(RegistryStore::Problem(), buffer, size);
}

STDAPI_(LSTATUS) ZrqRegExportKey(HKEY hKey, LPCSTR file) {
  return RegistryCall([&]() -> LSTATUS {
    if (file == nullptr || file[0] == '\0') return ERROR_INVALID_PARAMETER;
    KeyPath path;
    if (const LSTATUS status = KeyHandles::Instance().Resolve(hKey, &path); status != ERROR_SUCCESS)
      return status;
    std::shared_ptr<const RegistryTree> tree;
    if (const LSTATUS status = RegistryStore::Read(&tree); status != ERROR_SUCCESS) return status;
    const RegistryKey *key = tree->Find(path);
    if (key == nullptr) return ERROR_KEY_DELETED;
    std::string problem;
    const LSTATUS status = ReplaceFile(file, WriteRegFile(*key, path), &problem);
    if (status != ERROR_SUCCESS) RegistryStore::SetProblem(problem);
    return status;
  });
}

STDAPI_(LSTATUS) ZrqRegImportFile(LPCSTR file) {
  return RegistryCall([&]() -> LSTATUS {
    if (file == nullptr || file[0] == '\0') return ERROR_INVALID_PARAMETER;
    std::string content, problem;
    if (const LSTATUS status = ReadWholeFile(file, kMaxImportSize, &content, &problem);
        status != ERROR_SUCCESS) {
      RegistryStore::SetProblem(
          status == ERROR_FILE_NOT_FOUND ? std::string(file) + ": no such file" : problem);
      return status;
    }
    std::vector<RegFileChange> changes;
    RegFileProblem where;
    if (!ReadRegFile(content, EndMarker::Optional, &changes, &where)) {
      RegistryStore::SetProblem(std::string(file) + ":" + std::to_string(where.line) + ": " +
                                where.message);
      return ERROR_BADDB;
    }
    return RegistryStore::Modify([&](RegistryTree &tree, bool *changed) -> LSTATUS {
      *changed = ApplyRegFileChanges(changes, &tree);
      return ERROR_SUCCESS;
    });
  });
}

STDAPI_(LSTATUS) ZrqRegBeginBatch(void) {
  return RegistryCall([]() -> LSTATUS { return RegistryStore::BeginBatch(); });
}

STDAPI_(LSTATUS) ZrqRegEndBatch(void) {
  return RegistryCall([]() -> LSTATUS { return RegistryStore::EndBatch(); });
}
