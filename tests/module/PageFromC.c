/* A host written in C uses the property page: it makes the effect and the page through their
 * class objects, calls IPropertyPage by slot index as a caller holding only the table of
 * functions does, types into the page's effect-value field and reads the value back from the
 * effect. Exit 0 when every check held. */
#define COBJMACROS
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <ZRQDistortion2D.h>
#include <ocidl.h>
#include <winuser.h>

#include "../support/CCheck.h"
#include "CModuleLoad.h"

/* IPropertyPage's slots, counting IUnknown's three. */
typedef HRESULT (*SetObjectsSlot)(IPropertyPage *, ULONG, IUnknown **);
typedef HRESULT (*ActivateSlot)(IPropertyPage *, HWND, LPCRECT, BOOL);
typedef HRESULT (*GetPageInfoSlot)(IPropertyPage *, PROPPAGEINFO *);
typedef HRESULT (*NoArgumentSlot)(IPropertyPage *);

static void *Slot(IPropertyPage *page, int index) { return ((void *const *)page->lpVtbl)[index]; }

static int SameText(LPCWSTR a, const char *b) {
  while (*a && *b && *a == (WCHAR)*b) ++a, ++b;
  return *a == 0 && *b == 0;
}

static IUnknown *Create(LPFNGETCLASSOBJECT getClassObject, REFCLSID clsid, REFIID iid) {
  IClassFactory *factory = NULL;
  IUnknown *made = NULL;
  CHECK(getClassObject(clsid, &IID_IClassFactory, (void **)&factory) == S_OK);
  if (!factory) return NULL;
  CHECK(factory->lpVtbl->CreateInstance(factory, NULL, iid, (void **)&made) == S_OK);
  factory->lpVtbl->Release(factory);
  return made;
}

int main(int argc, char **argv) {
  LPFNGETCLASSOBJECT getClassObject = NULL;
  LPFNCANUNLOADNOW canUnloadNow = NULL;
  void *module = LoadModule(argc, argv, &getClassObject, &canUnloadNow);
  if (!module) return 1;

  IEffectParameters *parameters = (IEffectParameters *)Create(
      getClassObject, &CLSID_ZRQDistortion2DEffect, &IID_IEffectParameters);
  IPropertyPage *page =
      (IPropertyPage *)Create(getClassObject, &CLSID_ZRQDistortion2DProp, &IID_IPropertyPage);
  if (!parameters || !page) return 1;

  /* Slot 6: the page's title and its size in pixels. */
  PROPPAGEINFO info;
  memset(&info, 0, sizeof info);
  CHECK(((GetPageInfoSlot)Slot(page, 6))(page, &info) == S_OK);
  CHECK(info.cb == sizeof info && sizeof info == 48);
  CHECK(info.pszTitle && SameText(info.pszTitle, "Distortion2D"));
  CHECK(info.size.cx == 512 && info.size.cy == 312);
  CoTaskMemFree(info.pszTitle);
  CoTaskMemFree(info.pszDocString);
  CoTaskMemFree(info.pszHelpFile);

  /* Slots 7 and 4: the effect handed in, the page shown in a frame window of the host's. */
  IUnknown *objects[1] = {(IUnknown *)parameters};
  CHECK(((SetObjectsSlot)Slot(page, 7))(page, 1, objects) == S_OK);
  WNDCLASSEXW frameClass;
  memset(&frameClass, 0, sizeof frameClass);
  frameClass.cbSize = sizeof frameClass;
  frameClass.lpfnWndProc = DefWindowProcW;
  frameClass.lpszClassName = u"PageFromC";
  CHECK(RegisterClassExW(&frameClass) != 0);
  HWND frame =
      CreateWindowExW(0, u"PageFromC", u"", WS_POPUP, 0, 0, 512, 312, NULL, NULL, NULL, NULL);
  CHECK(frame != NULL);
  RECT rect = {0, 0, 512, 312};
  CHECK(((ActivateSlot)Slot(page, 4))(page, frame, &rect, FALSE) == S_OK);
  HWND dialog = GetWindow(frame, GW_CHILD);
  CHECK(dialog != NULL);

  /* The user types 42 into the effect-value field; the effect holds it at once. */
  WCHAR text[16];
  CHECK(GetDlgItemTextW(dialog, 3017, text, 16) == 2 && SameText(text, "50"));
  CHECK(SetDlgItemTextW(dialog, 3017, u"42"));
  VARIANT value;
  memset(&value, 0, sizeof value);
  CHECK(IEffectParameters_GetValue(parameters, 21, &value) == S_OK);
  CHECK(value.vt == VT_I2 && value.iVal == 42);

  /* Slots 10, 11 and 5: never dirty, nothing to apply, and the window goes. */
  CHECK(((NoArgumentSlot)Slot(page, 10))(page) == S_FALSE);
  CHECK(((NoArgumentSlot)Slot(page, 11))(page) == S_OK);
  CHECK(((NoArgumentSlot)Slot(page, 5))(page) == S_OK);
  CHECK(!IsWindow(dialog));
  DestroyWindow(frame);

  /* The effect first: the page still holds it, and both go with the page. */
  CHECK(IEffectParameters_Release(parameters) > 0);
  CHECK(canUnloadNow() == S_FALSE);
  CHECK(IPropertyPage_Release(page) == 0);
  CHECK(canUnloadNow() == S_OK);
  dlclose(module);

  return CheckedExit();
}
