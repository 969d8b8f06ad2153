// LoadLibraryW and friends over the dynamic loader. A module handle is the image's base
// address; the loader's own handle, which dlsym and dlclose need, is kept beside it for every
// image loaded here.
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>

#include <winbase.h>
#include <zrqloader.h>
#include <zrqresource.h>
#include <zrqtext.h>

#include "platform/kernel/LoadedImages.h"
#include "platform/kernel/ModuleHandle.h"

namespace {

struct LoadedLibrary {
  void *handle;
  unsigned loads;
};

// Images loaded through LoadLibraryW, by base address. Guarded by loadedLibrariesLock.
std::mutex loadedLibrariesLock;
using LibraryTable = std::map<HMODULE, LoadedLibrary>;
// Never destroyed: images may free libraries from their own static destructors, which can run
// after ours at exit.
LibraryTable &LoadedLibraries() {
  alignas(LibraryTable) static unsigned char storage[sizeof(LibraryTable)];
  static LibraryTable *const libraries = new (storage) LibraryTable();
  return *libraries;
}

thread_local std::string loaderMessage;

// The loader's message in Windows terms: a missing file or library, a missing symbol, or a
// file that is no library at all.
DWORD LoadFailure(const std::string &path, const char *message) {
  loaderMessage = message ? message : "the library could not be loaded";
  if (path.find('/') != std::string::npos) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
      return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_MOD_NOT_FOUND;
  }
  if (loaderMessage.find("undefined symbol") != std::string::npos) return ERROR_PROC_NOT_FOUND;
  if (loaderMessage.find("No such file or directory") != std::string::npos)
    return ERROR_MOD_NOT_FOUND;
  if (loaderMessage.find("Permission denied") != std::string::npos) return ERROR_ACCESS_DENIED;
  return ERROR_BAD_EXE_FORMAT;
}

HMODULE BaseOf(void *handle) {
  link_map *map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return nullptr;
  return ZrqGetModuleHandleFromAddress(map->l_ld);
}

bool Utf8(LPCWSTR text, std::string *out) {
  return text != nullptr && ZrqWideToUtf8(std::u16string_view(text), out);
}

} // namespace

STDAPI_(HMODULE) LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD) {
  std::string path;
  if (hFile != nullptr || !Utf8(lpLibFileName, &path) || path.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  try {
    // The program cannot be opened as a library; it is already there.
    if (path.find('/') != std::string::npos) {
      const HMODULE found = zrq::kernel::FindImageByFile(path);
      if (found != nullptr && found == zrq::kernel::ProgramModule()) return found;
    }
    // Outside the lock: the library's constructors may load libraries themselves.
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      SetLastError(LoadFailure(path, dlerror()));
      return nullptr;
    }
    const HMODULE base = BaseOf(handle);
    if (base == nullptr) {
      dlclose(handle);
      loaderMessage = "the loader does not say where the library lies";
      SetLastError(ERROR_BAD_EXE_FORMAT);
      return nullptr;
    }
    std::lock_guard<std::mutex> guard(loadedLibrariesLock);
    auto [entry, added] = LoadedLibraries().try_emplace(base, LoadedLibrary{handle, 0});
    // The loader counts each dlopen; one handle of ours stands for them all, so FreeLibrary
    // closes it once per load.
    ++entry->second.loads;
    return base;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

STDAPI_(HMODULE) LoadLibraryW(LPCWSTR lpLibFileName) {
  return LoadLibraryExW(lpLibFileName, nullptr, 0);
}

STDAPI_(BOOL) FreeLibrary(HMODULE hLibModule) {
  if (hLibModule != nullptr && hLibModule == zrq::kernel::ProgramModule()) return TRUE;
  void *handle = nullptr;
  {
    std::lock_guard<std::mutex> guard(loadedLibrariesLock);
    auto found = LoadedLibraries().find(hLibModule);
    if (found == LoadedLibraries().end()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    handle = found->second.handle;
    if (--found->second.loads == 0) LoadedLibraries().erase(found);
  }
  // Outside the lock: the image's destructors may load or free libraries themselves.
  dlclose(handle);
  return TRUE;
}

STDAPI_(FARPROC) GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (!zrq::kernel::IsModuleBase(hModule)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (lpProcName == nullptr || IS_INTRESOURCE(lpProcName)) { // no ordinals here
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  // A handle of the loader's for the image, without loading anything.
  Dl_info info{};
  void *handle = nullptr;
  if (hModule == zrq::kernel::ProgramModule())
    handle = dlopen(nullptr, RTLD_LAZY);
  else if (dladdr(hModule, &info) != 0 && info.dli_fname != nullptr)
    handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  void *symbol = handle ? dlsym(handle, lpProcName) : nullptr;
  // dlsym also searches the libraries the image depends on; only the image's own count.
  if (symbol != nullptr && ZrqGetModuleHandleFromAddress(symbol) != hModule) symbol = nullptr;
  if (handle != nullptr) dlclose(handle);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  FARPROC procedure;
  static_assert(sizeof procedure == sizeof symbol);
  std::memcpy(&procedure, &symbol, sizeof symbol);
  return procedure;
}

STDAPI_(HMODULE) GetModuleHandleW(LPCWSTR lpModuleName) {
  if (lpModuleName == nullptr) return zrq::kernel::ProgramModule();
  std::string name;
  try {
    if (!Utf8(lpModuleName, &name)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const HMODULE found = name.find('/') != std::string::npos
                              ? zrq::kernel::FindImageByFile(name)
                              : zrq::kernel::FindImageByFileName(name);
    if (found == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
    return found;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

STDAPI_(DWORD) ZrqGetLoaderMessage(LPSTR buffer, DWORD size) {
  if (buffer != nullptr && size > 0) {
    const size_t copied = loaderMessage.size() < size - 1 ? loaderMessage.size() : size - 1;
    std::memcpy(buffer, loaderMessage.data(), copied);
    buffer[copied] = '\0';
  }
  return static_cast<DWORD>(loaderMessage.size());
}
