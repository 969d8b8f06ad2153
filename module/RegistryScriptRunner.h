// Carries out a registry script. Registering creates each key (ForceRemove first deletes an
// existing one with everything in it; Delete only deletes) and sets its values. Unregistering
// deletes, below each key it can open, the values and keys the script names, sub-keys first:
// a NoRemove key is kept, a ForceRemove key goes with everything in it, and any other key goes
// once nothing the script does not know of is left below it. Keys that are not there are
// skipped; any other failure stops the run and is returned.
#pragma once

#include "module/RegistryScript.h"

enum class ScriptMode { Register, Unregister };

// The registry's error as an HRESULT (HRESULT_FROM_WIN32) when a call fails.
[[nodiscard]] HRESULT RunRegistryScript(const RegistryScript &script, ScriptMode mode);
