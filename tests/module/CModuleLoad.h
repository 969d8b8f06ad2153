/* How the C hosts load the module: from the folder given as their argument, else from
 * $ZRQ_BINARY_DIR, with dlopen, and find its two entry points. */
#pragma once

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include <ZRQDistortion2D.h>

/* The module's handle for dlclose, or null (having said why) when it or an entry point is
 * missing. */
static inline void *LoadModule(int argc, char **argv, LPFNGETCLASSOBJECT *getClassObject,
                               LPFNCANUNLOADNOW *canUnloadNow) {
  const char *dir = getenv("ZRQ_BINARY_DIR");
  char path[4096];
  snprintf(path, sizeof path, "%s/bin/ZRQDistortion2D9.so", argc > 1 ? argv[1] : (dir ? dir : "."));
  void *module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
    return NULL;
  }
  *getClassObject = (LPFNGETCLASSOBJECT)dlsym(module, "DllGetClassObject");
  *canUnloadNow = (LPFNCANUNLOADNOW)dlsym(module, "DllCanUnloadNow");
  if (!*getClassObject || !*canUnloadNow) {
    fprintf(stderr, "%s lacks DllGetClassObject or DllCanUnloadNow\n", path);
    dlclose(module);
    return NULL;
  }
  return module;
}
