// The resource directories of the loaded images, keyed by module handle.
#pragma once

#include <shared_mutex>
#include <vector>

#include <zrqresource.h>

namespace zrq::kernel {

class ResourceRegistry {
public:
  // Lives for the whole process: images unregister from their own static destructors,
  // which may run after ours at exit.
  static ResourceRegistry &Instance();

  HRESULT Register(HMODULE module, const ZRQ_RESOURCE_DIRECTORY *directory) noexcept;
  HRESULT Unregister(HMODULE module, const ZRQ_RESOURCE_DIRECTORY *directory) noexcept;

  // The entry of that type and name, or null with the Win32 error in *error: the module has
  // no resources at all, no resource of the type, or none of that name.
  const ZRQ_RESOURCE_ENTRY *Find(HMODULE module, LPCWSTR name, LPCWSTR type, DWORD *error) const;

  // Whether the entry is one of the module's own (null module: of any module), so that a
  // handle made up by the caller is never followed.
  bool Owns(HMODULE module, const ZRQ_RESOURCE_ENTRY *entry) const;

private:
  struct Registration {
    HMODULE module;
    const ZRQ_RESOURCE_DIRECTORY *directory;
  };

  ResourceRegistry() = default;

  mutable std::shared_mutex registrationsLock;
  std::vector<Registration> registrations;
};

} // namespace zrq::kernel
