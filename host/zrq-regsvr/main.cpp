// zrq-regsvr [/u] [/s] MODULE: registers an in-process server, or with /u unregisters it, the
// way the registration tool on Windows does: it loads the module and calls its
// DllRegisterServer or DllUnregisterServer. One line says what happened; /s says nothing.
// Exit status 0 when the module did it, 1 when it could not, 2 for bad usage.
#include "host/MessageText.h"
#include "host/common/ToolCommandLine.h"
#include "host/zrq-reg/StatusText.h"

#include <olectl.h>
#include <zrqloader.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Options {
  bool unregister = false;
  bool silent = false;
  std::vector<std::string> modules;
  std::string module;
};

// Flags may be written /u or -u, in either case, as on Windows.
void DeclareFlags(ToolCommandLine &line, Options &options) {
  line.AcceptSlashFlags();
  line.AddFlag("-u", options.unregister, "unregister instead (DllUnregisterServer); or /u")
      ->ignore_case();
  line.AddFlag("-s", options.silent, "silent: print nothing, only set the exit status; or /s")
      ->ignore_case();
  line.App().add_option("MODULE.so", options.modules, "the in-process server")->type_name("");
  line.App().footer(
      "The registry is the file $ZRQ_REGISTRY, else $XDG_DATA_HOME/zrq/registry.reg\n"
      "(~/.local/share/zrq/registry.reg). Exit status: 0 done, 1 failed, 2 bad usage.");
}

int Register(const Options &options) {
  const auto say = [&](FILE *stream, int code, const std::string &line) {
    if (!options.silent) std::fprintf(stream, "%s\n", line.c_str());
    return code;
  };
  const char *entryName = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
  // A bare name means the file in this folder, not a search of the library path.
  const std::string path =
      options.module.find('/') == std::string::npos ? "./" + options.module : options.module;
  std::u16string widePath;
  if (!ZrqUtf8ToWide(path, &widePath))
    return say(stderr, kExitFailure,
               "zrq-regsvr: the module's name is not UTF-8: '" + options.module + "'");

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HMODULE module = LoadLibraryW(widePath.c_str());
  if (module == nullptr) {
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    char reason[1024];
    ZrqGetLoaderMessage(reason, sizeof reason);
    CoUninitialize();
    return say(stderr, kExitFailure,
               "zrq-regsvr: cannot load " + options.module + ": " + reason + " - " +
                   StatusText(hr));
  }
  const auto entry = reinterpret_cast<LPFNDLLREGISTERSERVER>(GetProcAddress(module, entryName));
  int code = kExitDone;
  if (entry == nullptr) {
    code = say(stderr, kExitFailure,
               "zrq-regsvr: " + options.module + " was loaded, but it has no entry point " +
                   entryName + ".");
  } else {
    // The whole registration is one change of the registry: quick, and whole even when another
    // registration runs at the same time. A registry that cannot be read is left for the module
    // to meet and report.
    const bool batched = ZrqRegBeginBatch() == ERROR_SUCCESS;
    HRESULT hr = entry();
    if (batched) {
      const LSTATUS written = ZrqRegEndBatch();
      if (SUCCEEDED(hr) && written != ERROR_SUCCESS) hr = HRESULT_FROM_WIN32(written);
    }
    if (FAILED(hr))
      code = say(stderr, kExitFailure,
                 std::string("zrq-regsvr: ") + entryName + " in " + options.module +
                     " failed: " + StatusText(hr));
    else
      code =
          say(stdout, kExitDone, std::string(entryName) + " in " + options.module + " succeeded.");
  }
  FreeLibrary(module);
  CoUninitialize();
  return code;
}

} // namespace

int main(int argc, char **argv) {
  ToolCommandLine line("zrq-regsvr",
                       "Registers the in-process server MODULE.so: loads it and calls its\n"
                       "DllRegisterServer, which writes its classes into the registry.");
  Options options;
  DeclareFlags(line, options);
  if (std::optional<int> status = line.Conclude(line.Parse(argc, argv))) return *status;
  if (options.modules.empty())
    return line.UsageError("which module? zrq-regsvr [/u] [/s] MODULE.so");
  if (options.modules.size() > 1)
    return line.UsageError("one module at a time: " + Quoted(options.modules[0]) + " and " +
                           Quoted(options.modules[1]));
  options.module = options.modules.front();
  return Register(options);
}
