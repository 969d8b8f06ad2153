// Our own extension to the resource functions: how a module's compiled resources reach the
// platform, and how code finds the module it was linked into. The resource compiler
// (zrq-rc) generates a directory and registers it from a static initialiser of the image
// that holds it; FindResourceW and LoadStringW then find it by that image's base address,
// which is what a module handle is.
#pragma once

#include "winbase.h"

typedef struct tagZRQ_RESOURCE_ENTRY {
  WORD typeId;      // the type's integer id when typeName is null
  LPCWSTR typeName; // an upper-case type name, or null
  WORD nameId;      // the resource's integer id when nameName is null
  LPCWSTR nameName; // an upper-case resource name, or null
  WORD language;
  const void *data; // followed by a zero byte that size does not count
  DWORD size;
} ZRQ_RESOURCE_ENTRY;

typedef struct tagZRQ_RESOURCE_DIRECTORY {
  const ZRQ_RESOURCE_ENTRY *entries;
  ULONG count;
} ZRQ_RESOURCE_DIRECTORY;

// The directory must stay valid until it is unregistered; a module can register several.
// Both fail with E_INVALIDARG on a null module or directory; unregistering a directory that
// is not registered gives S_FALSE.
STDAPI ZrqRegisterResources(HMODULE hModule, const ZRQ_RESOURCE_DIRECTORY *directory);
STDAPI ZrqUnregisterResources(HMODULE hModule, const ZRQ_RESOURCE_DIRECTORY *directory);

// The module (executable or shared library) whose image contains the address; null when
// the address lies in no loaded image.
STDAPI_(HMODULE) ZrqGetModuleHandleFromAddress(const void *address);

// The module this code is linked into. Static, so each image gets its own anchor and the
// answer is never the image of whoever else includes this header.
static inline HMODULE ZrqThisModule(void) {
  static const char anchor = 0;
  return ZrqGetModuleHandleFromAddress(&anchor);
}
