/* A host written in C: it loads the module, creates the effect through its class object and
 * drives the software path by calling slots through the generated header's tables of
 * functions, then unloads the module. Exit 0 when every check held. */
#define COBJMACROS
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <ZRQDistortion2D.h>

#include "../support/CCheck.h"
#include "CModuleLoad.h"

int main(int argc, char **argv) {
  LPFNGETCLASSOBJECT getClassObject = NULL;
  LPFNCANUNLOADNOW canUnloadNow = NULL;
  void *module = LoadModule(argc, argv, &getClassObject, &canUnloadNow);
  if (!module) return 1;

  IClassFactory *factory = NULL;
  CHECK(getClassObject(&CLSID_ZRQDistortion2DEffect, &IID_IClassFactory, (void **)&factory) ==
        S_OK);
  if (!factory) return 1;

  IEffectParameters *parameters = NULL;
  CHECK(factory->lpVtbl->CreateInstance(factory, NULL, &IID_IEffectParameters,
                                        (void **)&parameters) == S_OK);
  factory->lpVtbl->Release(factory);
  if (!parameters) return 1;
  CHECK(canUnloadNow() == S_FALSE);

  /* "Effect ID" 2006 (Mirror from Right) and one key frame of "Effect Value" at 100. */
  VARIANT value;
  memset(&value, 0, sizeof value);
  value.vt = VT_I4;
  value.lVal = 2006;
  CHECK(IEffectParameters_SetValue(parameters, 0, value) == S_OK);
  value.vt = VT_I2;
  value.iVal = 100;
  CHECK(IEffectParameters_SetKeyFrameValue(parameters, 0.0, 1, 21, value) == S_OK);
  ULONG count = 0;
  CHECK(IEffectParameters_GetKeyFrameCount(parameters, 21, &count) == S_OK && count == 1);

  ISoftwareEffect *software = NULL;
  CHECK(IEffectParameters_QueryInterface(parameters, &IID_ISoftwareEffect, (void **)&software) ==
        S_OK);
  if (!software) return 1;
  /* Slot 3 of ISoftwareEffect by index, as a caller with only the table sees it. */
  typedef HRESULT (*SetFrameSizeSlot)(ISoftwareEffect *, LONG, LONG, ULONG_PTR, ULONG_PTR);
  SetFrameSizeSlot setFrameSize = (SetFrameSizeSlot)((void *const *)software->lpVtbl)[3];
  CHECK(setFrameSize(software, 4, 1, 0, 0) == S_OK);
  CHECK(IEffectParameters_ApplyParameters(parameters) == S_OK);
  CHECK(ISoftwareEffect_PrepareSoftwareFrame(software, 0.0, 0, 0) == S_OK);

  /* Mirror from Right at full strength: the right half shows the left half reflected. */
  uint32_t source[4] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
  uint32_t destination[4] = {0, 0, 0, 0};
  BYTE *sources[1] = {(BYTE *)source};
  LONG strides[1] = {16};
  CHECK(ISoftwareEffect_ProcessFrame(software, sources, 0, strides, 0, (BYTE *)destination, 0, 0, 4,
                                     1, 16) == S_OK);
  CHECK(destination[0] == source[0] && destination[1] == source[1]);
  CHECK(destination[2] == source[1] && destination[3] == source[0]);

  CHECK(ISoftwareEffect_Release(software) == 1);
  CHECK(IEffectParameters_Release(parameters) == 0);
  CHECK(canUnloadNow() == S_OK);
  dlclose(module);

  return CheckedExit();
}
