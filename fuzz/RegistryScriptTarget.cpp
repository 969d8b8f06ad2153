// Reads any bytes as a registry script (UTF-8) and checks what the language promises: a
// script that does not read yields nothing; one that reads names only single keys, no deeper
// than 512, and registers and unregisters against a registry of its own without harm.
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <atlcomcli.h>
#include <zrqregistry.h>

#include "module/RegistryScriptRunner.h"

namespace {

void Check(bool condition, const char *what) { FuzzCheck(condition, "registry_script", what); }

size_t CheckBody(const std::vector<ScriptClause> &body, size_t depth) {
  Check(depth <= 512, "keys nested deeper than 512");
  size_t keys = 0;
  for (const ScriptClause &clause : body) {
    if (const auto *key = std::get_if<ScriptKey>(&clause.content)) {
      Check(!key->name.empty() && key->name.size() <= 255, "a key name of a bad length");
      Check(key->name.find(u'\\') == std::u16string::npos, "a key name that reaches below its key");
      keys += 1 + CheckBody(key->body, depth + 1);
    }
  }
  return keys;
}

// A registry of the target's own, in memory where the system has it.
struct ScratchRegistry {
  ScratchRegistry() {
    file = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
           std::string("/zrq-fuzz-registry-") + std::to_string(getpid()) + ".reg";
    setenv("ZRQ_REGISTRY", file.c_str(), 1);
  }
  ~ScratchRegistry() {
    unlink(file.c_str());
    unlink((file + ".lock").c_str());
  }
  std::string file;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static ScratchRegistry registry;
  const ScriptReplacements replacements = {
      {u"APPID", u"{396CB57E-A671-442b-A94A-83BB46261AAD}"},
      {u"Module", u"/opt/zrq/it's {a} module.so"},
      {u"Module_Raw", u"/opt/zrq/it's {a} module.so"},
  };
  RegistryScript script;
  ScriptProblem problem;
  const HRESULT hr = RegistryScript::Parse(
      ZrqFromUtf8(std::string_view(reinterpret_cast<const char *>(data), size)), replacements,
      &script, &problem);
  if (FAILED(hr)) {
    Check(script.roots.empty(), "a script that did not read left clauses");
    return 0;
  }
  size_t keys = 0;
  for (const ScriptRoot &root : script.roots) keys += CheckBody(root.body, 0);
  // Running costs a write of the registry; the parser is the part that meets the text.
  if (keys > 200) return 0;
  unlink(registry.file.c_str());
  Check(ZrqRegBeginBatch() == ERROR_SUCCESS, "no batch");
  (void)RunRegistryScript(script, ScriptMode::Register);
  (void)RunRegistryScript(script, ScriptMode::Unregister);
  Check(ZrqRegEndBatch() == ERROR_SUCCESS, "the registry was not written");
  return 0;
}
