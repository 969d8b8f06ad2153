// Loading the module as a host does, and unloading it only when nothing of it is left.
#include "effect/EffectIds.h"
#include "host/EffectModule.h"

#include <ZRQDistortion2D.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// Whether the library at `path` is loaded in this process, asked without loading it.
bool IsLoaded(const std::string &path) {
  void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

std::unique_ptr<EffectModule> LoadOrFail(const std::string &path) {
  Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(path);
  EXPECT_TRUE(loaded.ok()) << loaded.message();
  return loaded.ok() ? std::move(loaded.value()) : nullptr;
}

TEST(EffectModule, MakesEffectsNamesThemAndIsUnloadedWhenTheLastIsGone) {
  const std::string path = EffectModule::DefaultPath();
  ASSERT_FALSE(IsLoaded(path));
  for (int round = 0; round < 2; ++round) { // loaded again, it reads its resources again
    std::unique_ptr<EffectModule> module = LoadOrFail(path);
    ASSERT_TRUE(module);
    EXPECT_TRUE(IsLoaded(path));
    EXPECT_EQ(module->Names().DisplayName(WaveEffectId), "Wave");
    EXPECT_EQ(module->Names().DisplayName(ColorShiftDiagonalEffectId), "Color Shift Diagonal");
    {
      Result<CComPtr<IUnknown>> effect = module->CreateEffect();
      ASSERT_TRUE(effect.ok()) << effect.message();
      CComPtr<IEffectParameters> parameters;
      ASSERT_EQ(effect.value().QueryInterface(&parameters), S_OK);
      CComVariant id;
      EXPECT_EQ(parameters->GetValue(0, &id), S_OK);
      EXPECT_EQ(id.lVal, ReplicateEffectId); // a new effect's
    }
    module.reset();
    EXPECT_FALSE(IsLoaded(path)) << "round " << round;
  }
}

TEST(EffectModule, StaysLoadedWhileAnEffectOfItLives) {
  // In a child process, since the module stays loaded there for good.
  EXPECT_EXIT(
      {
        const std::string path = EffectModule::DefaultPath();
        std::unique_ptr<EffectModule> module = LoadOrFail(path);
        Result<CComPtr<IUnknown>> effect = module->CreateEffect();
        module.reset();
        bool kept = IsLoaded(path);
        // The effect's code is still there to call and to release.
        CComPtr<IEffectParameters> parameters;
        bool works = effect.ok() && effect.value().QueryInterface(&parameters) == S_OK &&
                     parameters->ApplyParameters() == S_OK;
        parameters.Release();
        effect.value().Release();
        std::exit(kept && works ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(EffectModule, RefusesWhatIsNoEffectModuleAndSaysWhy) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("zrq-module-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "text.so") << "not a library\n";
  const char *binary = std::getenv("ZRQ_BINARY_DIR");
  const std::string platformLibrary = std::string(binary ? binary : ".") + "/lib/libzrqole.so";
  struct Case {
    std::string path;
    const char *mentions;
  };
  const Case cases[] = {
      {(folder / "missing.so").string(), "cannot load the effect module"},
      {(folder / "text.so").string(), "cannot load the effect module"},
      {platformLibrary, "is not an effect module: it does not export DllGetClassObject"},
  };
  for (const Case &c : cases) {
    Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(c.path);
    ASSERT_FALSE(loaded.ok()) << c.path;
    EXPECT_NE(loaded.message().find(c.mentions), std::string::npos) << loaded.message();
    EXPECT_NE(loaded.message().find(c.path), std::string::npos) << loaded.message();
    EXPECT_EQ(loaded.message().find('\n'), std::string::npos) << loaded.message();
  }
  // A bare file name is the file in the current folder, not one found on the library path.
  fs::path here = fs::current_path();
  fs::current_path(fs::path(EffectModule::DefaultPath()).parent_path());
  Result<std::unique_ptr<EffectModule>> bare = EffectModule::Load(kModuleFileName);
  fs::current_path(here);
  EXPECT_TRUE(bare.ok()) << bare.message();
  fs::remove_all(folder);
}

// Calls one of the module's registration entry points, as zrq-regsvr does.
void CallRegistrationEntry(const std::string &path, const char *entry) {
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_TRUE(library) << dlerror();
  auto call = reinterpret_cast<HRESULT (*)()>(dlsym(library, entry));
  ASSERT_TRUE(call) << entry;
  EXPECT_EQ(call(), S_OK) << entry;
  dlclose(library);
}

TEST(EffectModule, OpensTheRegisteredModuleElseTheOneBesideTheProgram) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("zrq-open-" + std::to_string(getpid()));
  fs::create_directories(folder);
  ASSERT_EQ(setenv("ZRQ_REGISTRY", (folder / "registry.reg").c_str(), 1), 0);
  // A copy elsewhere, so the module found through the registry is told from the one beside.
  const std::string beside = EffectModule::DefaultPath();
  const std::string registered = (folder / kModuleFileName).string();
  fs::copy_file(beside, registered);
  // Opens with nothing named, and says how the module came and what was passed over.
  const auto open = [&](const std::string &expectedPath, const char *how) {
    Result<std::unique_ptr<EffectModule>> opened = EffectModule::Open("", beside);
    EXPECT_TRUE(opened.ok()) << opened.message();
    if (!opened.ok()) return std::string();
    EXPECT_EQ(opened.value()->Path(), expectedPath);
    EXPECT_NE(opened.value()->HowFound().find(how), std::string::npos)
        << opened.value()->HowFound();
    EXPECT_EQ(opened.value()->Names().DisplayName(WaveEffectId), "Wave");
    Result<CComPtr<IUnknown>> effect = opened.value()->CreateEffect();
    EXPECT_TRUE(effect.ok()) << effect.message();
    return opened.value()->Warning();
  };

  EXPECT_EQ(open(beside, "not registered"), "");

  CallRegistrationEntry(registered, "DllRegisterServer");
  EXPECT_EQ(open(registered, "CoCreateInstance"), "");
  EXPECT_FALSE(IsLoaded(registered)) << "unloaded once its effects are gone";

  // A registered module that has gone is passed over, with a warning that says why.
  fs::remove(registered);
  const std::string warning = open(beside, "did not load");
  EXPECT_NE(warning.find("the module registered for class {"), std::string::npos) << warning;
  EXPECT_NE(warning.find("No such file"), std::string::npos) << warning;

  // A module named by the user is taken as named, registered or not.
  Result<std::unique_ptr<EffectModule>> named = EffectModule::Open(beside, "");
  ASSERT_TRUE(named.ok()) << named.message();
  EXPECT_EQ(named.value()->HowFound(), "named by the host");

  unsetenv("ZRQ_REGISTRY");
  fs::remove_all(folder);
}

} // namespace
