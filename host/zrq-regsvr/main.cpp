// zrq-regsvr [/u] [/s] MODULE: registers an in-process server, or with /u unregisters it, the
// way the registration tool on Windows does: it loads the module and calls its
// DllRegisterServer or DllUnregisterServer. One line says what happened; /s says nothing.
// Exit status 0 when the module did it, 1 when it could not, 2 for bad usage.
#include "host/zrq-reg/StatusText.h"

#include <olectl.h>
#include <zrqloader.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char *kUsage =
    "usage: zrq-regsvr [/u] [/s] MODULE.so\n"
    "\n"
    "Registers the in-process server MODULE.so: loads it and calls its DllRegisterServer,\n"
    "which writes its classes into the registry.\n"
    "\n"
    "  /u      unregister instead (DllUnregisterServer)\n"
    "  /s      silent: print nothing, only set the exit status\n"
    "  --help  this text\n"
    "\n"
    "The registry is the file $ZRQ_REGISTRY, else $XDG_DATA_HOME/zrq/registry.reg\n"
    "(~/.local/share/zrq/registry.reg). Exit status: 0 done, 1 failed, 2 bad usage.\n";

struct Options {
  bool unregister = false;
  bool silent = false;
  bool help = false;
  std::string module;
};

// Options may be written /u or -u, in either case.
bool ParseArguments(const std::vector<std::string_view> &arguments, Options *options,
                    std::string *error) {
  for (std::string_view argument : arguments) {
    if (argument == "--help" || argument == "-h" || argument == "/?") {
      options->help = true;
    } else if (argument.size() == 2 && (argument[0] == '/' || argument[0] == '-') &&
               (argument[1] == 'u' || argument[1] == 'U')) {
      options->unregister = true;
    } else if (argument.size() == 2 && (argument[0] == '/' || argument[0] == '-') &&
               (argument[1] == 's' || argument[1] == 'S')) {
      options->silent = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      *error = "unknown option '" + std::string(argument) + "'";
      return false;
    } else if (!options->module.empty()) {
      *error =
          "one module at a time: '" + options->module + "' and '" + std::string(argument) + "'";
      return false;
    } else {
      options->module = argument;
    }
  }
  if (options->module.empty() && !options->help) {
    *error = "which module? (zrq-regsvr [/u] [/s] MODULE.so; --help for more)";
    return false;
  }
  return true;
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
  int code = 0;
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
      code = say(stdout, 0, std::string(entryName) + " in " + options.module + " succeeded.");
  }
  FreeLibrary(module);
  CoUninitialize();
  return code;
}

} // namespace

int main(int argc, char **argv) {
  Options options;
  std::string error;
  if (!ParseArguments(std::vector<std::string_view>(argv + 1, argv + argc), &options, &error)) {
    std::fprintf(stderr, "zrq-regsvr: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Register(options);
}
