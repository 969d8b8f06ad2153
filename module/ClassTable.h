// The module's classes, in table order: the property page, then the effect. Each entry keeps
// its class object once made, until the module unloads.
#pragma once

#include <windows.h>

#include <span>

#include "module/ClassFactory.h"

struct ClassEntry {
  const CLSID *clsid;
  // The REGISTRY resource that registers the class.
  WORD registryScript;
  // Makes the class object; null while the class cannot be created in this build.
  HRESULT (*classObjectCreator)(InstanceCreator creator, REFIID riid, void **ppv) noexcept;
  InstanceCreator instanceCreator;
  // Made by the first DllGetClassObject for the class, under the module's lock.
  IUnknown *cachedClassObject;
};

std::span<ClassEntry> ClassTable();
