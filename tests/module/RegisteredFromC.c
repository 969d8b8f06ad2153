/* A host written in C that knows the effect only by its registration. With "registered" it
 * creates the effect with CoCreateInstance, by class and by ProgID; with "unregistered" it
 * expects to be told the class is not registered. Exit 0 when every check held. */
#define COBJMACROS
#include <stdio.h>
#include <string.h>

#include <ZRQDistortion2D.h>

#include "../support/CCheck.h"

static const OLECHAR progId[] = u"ZRQDistortion2D.ZRQDistortion2DEffect9";

static void Registered(void) {
  IEffectParameters *parameters = NULL;
  CHECK(CoCreateInstance(&CLSID_ZRQDistortion2DEffect, NULL, CLSCTX_INPROC_SERVER,
                         &IID_IEffectParameters, (void **)&parameters) == S_OK);
  if (parameters) {
    /* A new effect is Replicate (2002). */
    VARIANT id;
    memset(&id, 0, sizeof id);
    CHECK(IEffectParameters_GetValue(parameters, 0, &id) == S_OK && id.vt == VT_I4 &&
          id.lVal == 2002);
    CHECK(IEffectParameters_Release(parameters) == 0);
  }

  CLSID clsid;
  memset(&clsid, 0, sizeof clsid);
  CHECK(CLSIDFromProgID(progId, &clsid) == S_OK);
  CHECK(IsEqualCLSID(&clsid, &CLSID_ZRQDistortion2DEffect));
  IUnknown *effect = NULL;
  CHECK(CoCreateInstance(&clsid, NULL, CLSCTX_INPROC_SERVER, &IID_IUnknown, (void **)&effect) ==
        S_OK);
  if (effect) effect->lpVtbl->Release(effect);
}

static void Unregistered(void) {
  IUnknown *effect = (IUnknown *)1;
  CHECK(CoCreateInstance(&CLSID_ZRQDistortion2DEffect, NULL, CLSCTX_INPROC_SERVER, &IID_IUnknown,
                         (void **)&effect) == REGDB_E_CLASSNOTREG);
  CHECK(effect == NULL);
  CLSID clsid;
  CHECK(CLSIDFromProgID(progId, &clsid) == CO_E_CLASSSTRING);
}

int main(int argc, char **argv) {
  if (argc != 2 || (strcmp(argv[1], "registered") != 0 && strcmp(argv[1], "unregistered") != 0)) {
    fprintf(stderr, "usage: %s registered|unregistered\n", argv[0]);
    return 2;
  }
  CHECK(CoInitializeEx(NULL, COINIT_MULTITHREADED) == S_OK);
  if (strcmp(argv[1], "registered") == 0)
    Registered();
  else
    Unregistered();
  CoUninitialize();
  return CheckedExit();
}
