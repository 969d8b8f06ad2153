// Self-registration: the module's registry scripts and its type library, written and removed
// in the order hosts rely on. The first failure stops the work and is returned; what was
// already written stays.
#pragma once

#include "module/RegistryScriptRunner.h"

class ModuleRegistration {
public:
  // The application identifier's script (101), each class's script in table order, then the
  // type library with the module's folder as its help folder.
  [[nodiscard]] static HRESULT RegisterServer();
  // Each class's script, the type library (when it is registered), then script 101.
  [[nodiscard]] static HRESULT UnregisterServer();

  // Runs REGISTRY resource `id` of this module with the replacements APPID, Module and
  // Module_Raw. A resource that cannot be found or is not UTF-8 gives the loader's error; a
  // script that does not read, DISP_E_EXCEPTION.
  [[nodiscard]] static HRESULT UpdateRegistryFromResource(WORD id, ScriptMode mode);

  // The module's own file: at most 259 characters, since the name is read into a buffer of
  // 260 and one that fills it is taken as cut short (HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)).
  [[nodiscard]] static HRESULT ModulePath(std::u16string *path);
};
