// A module handle is the base address of the image, which is what the dynamic loader
// reports for any address inside it.
#include <dlfcn.h>
#include <link.h>

#include <zrqresource.h>

#include "platform/kernel/ModuleHandle.h"

STDAPI_(HMODULE) ZrqGetModuleHandleFromAddress(const void *address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

namespace zrq::kernel {

HMODULE ProgramModule() {
  // The loader lists the program first; its program headers lie inside its image.
  const void *inside = nullptr;
  dl_iterate_phdr(
      [](dl_phdr_info *info, size_t, void *data) {
        *static_cast<const void **>(data) = info->dlpi_phdr;
        return 1;
      },
      &inside);
  return ZrqGetModuleHandleFromAddress(inside);
}

} // namespace zrq::kernel
