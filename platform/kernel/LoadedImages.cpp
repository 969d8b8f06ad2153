// Images are listed by the loader (dl_iterate_phdr); their files are named by the kernel's
// list of mappings, which holds absolute paths whatever path the image was opened by.
#include "platform/kernel/LoadedImages.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cinttypes>
#include <climits>
#include <cstdio>
#include <fstream>
#include <vector>

#include <zrqresource.h>

#include "platform/kernel/ModuleHandle.h"

namespace zrq::kernel {
namespace {

struct Mapping {
  uintptr_t start = 0;
  dev_t device = 0;
  ino_t inode = 0;
  std::string path;
};

// The mappings that start a file (offset 0): where an image's first segment lies.
std::vector<Mapping> FileMappings() {
  std::vector<Mapping> mappings;
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    uintptr_t start = 0, end = 0;
    unsigned long long offset = 0, inode = 0;
    unsigned major = 0, minor = 0;
    char permissions[8] = {};
    int pathAt = 0;
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " %7s %llx %x:%x %llu %n", &start, &end,
                    permissions, &offset, &major, &minor, &inode, &pathAt) < 7 ||
        offset != 0 || inode == 0 || pathAt <= 0) {
      continue;
    }
    std::string path = line.substr(static_cast<size_t>(pathAt));
    // A file replaced or removed since it was mapped keeps its old name, marked.
    static constexpr std::string_view kDeleted = " (deleted)";
    if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
    mappings.push_back({start, makedev(major, minor), static_cast<ino_t>(inode), std::move(path)});
  }
  return mappings;
}

std::vector<HMODULE> ImageBases() {
  std::vector<HMODULE> bases;
  dl_iterate_phdr(
      [](dl_phdr_info *info, size_t, void *data) {
        HMODULE base = ZrqGetModuleHandleFromAddress(info->dlpi_phdr);
        if (base != nullptr) static_cast<std::vector<HMODULE> *>(data)->push_back(base);
        return 0;
      },
      &bases);
  return bases;
}

const Mapping *MappingAt(const std::vector<Mapping> &mappings, HMODULE module) {
  for (const Mapping &m : mappings) {
    if (m.start == reinterpret_cast<uintptr_t>(module)) return &m;
  }
  return nullptr;
}

std::string ProgramPath() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
  path.resize(static_cast<size_t>(length));
  return path;
}

} // namespace

bool IsModuleBase(HMODULE module) {
  return module != nullptr && ZrqGetModuleHandleFromAddress(module) == module;
}

std::string ImagePath(HMODULE module) {
  if (!IsModuleBase(module)) return {};
  if (module == ProgramModule()) return ProgramPath();
  const std::vector<Mapping> mappings = FileMappings();
  if (const Mapping *m = MappingAt(mappings, module)) return m->path;
  // Without the kernel's list, the loader's name, made absolute.
  Dl_info info{};
  if (dladdr(module, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  return realpath(info.dli_fname, resolved) ? std::string(resolved) : std::string();
}

HMODULE FindImageByFile(const std::string &path) {
  struct stat wanted {};
  if (stat(path.c_str(), &wanted) != 0) return nullptr;
  const std::vector<Mapping> mappings = FileMappings();
  for (HMODULE base : ImageBases()) {
    const Mapping *m = MappingAt(mappings, base);
    if (m && m->device == wanted.st_dev && m->inode == wanted.st_ino) return base;
  }
  return nullptr;
}

HMODULE FindImageByFileName(const std::string &name) {
  for (HMODULE base : ImageBases()) {
    const std::string path = ImagePath(base);
    const size_t slash = path.rfind('/');
    if (!path.empty() && path.substr(slash == std::string::npos ? 0 : slash + 1) == name)
      return base;
  }
  return nullptr;
}

} // namespace zrq::kernel
