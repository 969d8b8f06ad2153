// The module as a host meets it: loaded from its file, reached through its exported entry
// points only.
#include <gtest/gtest.h>

#include <atlcomcli.h>
#include <ocidl.h>
#include <winuser.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include <ZRQDistortion2D.h>

namespace {

std::string ModulePath() {
  const char *dir = std::getenv("ZRQ_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/bin/ZRQDistortion2D9.so";
}

class LoadedModule : public ::testing::Test {
protected:
  void SetUp() override {
    handle = dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"));
    ASSERT_TRUE(getClassObject && canUnloadNow);
  }
  void TearDown() override {
    if (handle) {
      EXPECT_EQ(canUnloadNow(), S_OK);
      dlclose(handle);
    }
  }

  CComPtr<IClassFactory> EffectClass() {
    CComPtr<IClassFactory> factory;
    EXPECT_EQ(getClassObject(CLSID_ZRQDistortion2DEffect, IID_IClassFactory,
                             reinterpret_cast<void **>(&factory)),
              S_OK);
    return factory;
  }

  void *handle = nullptr;
  LPFNGETCLASSOBJECT getClassObject = nullptr;
  LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

TEST(ModuleFile, ExportsItsEntryPointsAndNothingElse) {
  const std::string command = "nm -D --defined-only '" + ModulePath() + "'";
  FILE *pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text(line);
    const size_t last = text.find_last_of(' ');
    names.insert(text.substr(last + 1, text.find_last_not_of("\r\n") - last));
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                          "DllRegisterServer", "DllUnregisterServer"}));
}

TEST_F(LoadedModule, HandsOutOneCachedClassObjectPerClass) {
  CComPtr<IClassFactory> first = EffectClass();
  CComPtr<IUnknown> second;
  ASSERT_EQ(
      getClassObject(CLSID_ZRQDistortion2DEffect, IID_IUnknown, reinterpret_cast<void **>(&second)),
      S_OK);
  CComPtr<IUnknown> firstIdentity;
  ASSERT_EQ(first->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&firstIdentity)), S_OK);
  EXPECT_EQ(firstIdentity.p, second.p);
  // Holding a class object is no lock on the module.
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(LoadedModule, UnknownClassesAndBadArguments) {
  void *out = reinterpret_cast<void *>(0x1);
  const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  EXPECT_EQ(getClassObject(unknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(getClassObject(CLSID_ZRQDistortion2DEffect, IID_IClassFactory, nullptr), E_POINTER);
  out = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(getClassObject(CLSID_ZRQDistortion2DEffect, IID_IDeviceEffect, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(LoadedModule, CreatesEffectsAndRefusesAggregation) {
  CComPtr<IClassFactory> factory = EffectClass();
  ASSERT_TRUE(factory);
  CComPtr<IDeviceEffect> effect;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDeviceEffect, reinterpret_cast<void **>(&effect)),
            S_OK);
  void *out = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(factory->CreateInstance(effect, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(LoadedModule, CreatesPropertyPagesAndRefusesAggregation) {
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(CLSID_ZRQDistortion2DProp, IID_IClassFactory,
                           reinterpret_cast<void **>(&factory)),
            S_OK);
  CComPtr<IPropertyPage> page;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page)),
            S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  void *out = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(factory->CreateInstance(page, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  // The page is no effect.
  EXPECT_EQ(page->QueryInterface(IID_IEffectParameters, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

// An effect and an open page over it, released in the order asked; the library may go after.
class PageOverEffect : public LoadedModule, public ::testing::WithParamInterface<bool> {};

TEST_P(PageOverEffect, LeaveNothingAliveInEitherOrder) {
  const bool pageFirst = GetParam();
  CComPtr<IUnknown> effect;
  ASSERT_EQ(
      EffectClass()->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&effect)),
      S_OK);
  CComPtr<IClassFactory> pageClass;
  ASSERT_EQ(getClassObject(CLSID_ZRQDistortion2DProp, IID_IClassFactory,
                           reinterpret_cast<void **>(&pageClass)),
            S_OK);
  CComPtr<IPropertyPage> page;
  ASSERT_EQ(pageClass->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void **>(&page)),
            S_OK);

  WNDCLASSEXW frameClass = {};
  frameClass.cbSize = sizeof frameClass;
  frameClass.lpfnWndProc = DefWindowProcW;
  frameClass.lpszClassName = u"ModulePageFrame";
  RegisterClassExW(&frameClass);
  HWND frame = CreateWindowExW(0, u"ModulePageFrame", u"", WS_POPUP, 0, 0, 512, 312, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(frame, nullptr);
  IUnknown *objects[] = {effect};
  ASSERT_EQ(page->SetObjects(1, objects), S_OK);
  const RECT rect = {0, 0, 512, 312};
  ASSERT_EQ(page->Activate(frame, &rect, FALSE), S_OK);

  // The page is released while its dialog is still open: it closes the dialog itself.
  if (pageFirst) page.Release();
  effect.Release();
  EXPECT_EQ(canUnloadNow(), pageFirst ? S_OK : S_FALSE);
  page.Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
  EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
  DestroyWindow(frame);
}

INSTANTIATE_TEST_SUITE_P(PageFirstOrEffectFirst, PageOverEffect, ::testing::Bool());

TEST_F(LoadedModule, CannotUnloadWhileAnObjectOrLockLives) {
  CComPtr<IClassFactory> factory = EffectClass();
  CComPtr<IUnknown> effect;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&effect)),
            S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  effect.Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);
}

} // namespace
