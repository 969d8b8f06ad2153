// Self-registration of the loaded module: exactly its entries, once per class however often
// it registers, removed again without touching what others keep beside them, and the effect
// created through the registry as a host creates it.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlcomcli.h>
#include <ocidl.h>
#include <dlfcn.h>
#include <olectl.h>
#include <sys/wait.h>
#include <zrqtext.h>

#include <filesystem>
#include <map>

#include <ZRQDistortion2D.h>

#include "platform/registry/RegistryTestSupport.h"

namespace {

using Values = std::map<std::u16string, std::u16string>; // value name ("" the default) -> text
using Tree = std::map<std::u16string, Values>;           // key path below HKCR -> its values

std::string ModuleFile() {
  const char *dir = std::getenv("ZRQ_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/bin/ZRQDistortion2D9.so";
}

std::u16string Wide(const std::string &text) {
  std::u16string wide;
  ZrqUtf8ToWide(text, &wide);
  return wide;
}

// Everything below HKCR, each value read as text; a value of another type reads "<type N>".
void ReadTree(HKEY key, const std::u16string &path, Tree *tree) {
  Values &values = (*tree)[path];
  char16_t name[256];
  BYTE data[2048];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256, size = sizeof data - 2, type = 0;
    if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    data[size] = data[size + 1] = 0;
    values[std::u16string(name, length)] =
        type == REG_SZ ? std::u16string(reinterpret_cast<const char16_t *>(data))
                       : u"<type " + Wide(std::to_string(type)) + u">";
  }
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    CRegKey child;
    if (child.Open(key, name, KEY_READ) != ERROR_SUCCESS) continue;
    ReadTree(child, path.empty() ? name : path + u"\\" + name, tree);
  }
}

Tree Registry() {
  Tree tree;
  ReadTree(HKEY_CLASSES_ROOT, u"", &tree);
  tree.erase(u"");
  return tree;
}

// What registering the module writes, entry by entry, with the keys that hold them.
Tree ExpectedTree(const std::u16string &module) {
  const std::u16string appId = u"{396CB57E-A671-442b-A94A-83BB46261AAD}";
  const std::u16string typeLib = u"{293D54B9-AC9E-435D-97B0-B6CF78EC8CD4}";
  Tree t;
  t[u"AppID"];
  t[u"AppID\\" + appId] = {{u"", u"ZRQDistortion2D"}};
  t[u"AppID\\ZRQDistortion2D9.DLL"] = {{u"AppID", appId}};
  t[u"CLSID"];
  const struct {
    std::u16string name, clsid;
    bool programmable;
  } classes[] = {{u"ZRQDistortion2DEffect", u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", true},
                 {u"ZRQDistortion2DProp", u"{6C5BE355-F089-4257-AF02-3ED583FD1F2B}", false}};
  for (const auto &c : classes) {
    const std::u16string progId = u"ZRQDistortion2D." + c.name + u"9";
    const std::u16string title = c.name + u" Class";
    const std::u16string key = u"CLSID\\" + c.clsid;
    t[progId + u".1"] = {{u"", title}};
    t[progId + u".1\\CLSID"] = {{u"", c.clsid}};
    t[progId] = {{u"", title}};
    t[progId + u"\\CLSID"] = {{u"", c.clsid}};
    t[progId + u"\\CurVer"] = {{u"", progId + u".1"}};
    t[key] = {{u"", title}, {u"AppID", appId}};
    t[key + u"\\ProgID"] = {{u"", progId + u".1"}};
    t[key + u"\\VersionIndependentProgID"] = {{u"", progId}};
    if (c.programmable) t[key + u"\\Programmable"];
    t[key + u"\\InprocServer32"] = {{u"", module}, {u"ThreadingModel", u"Both"}};
    t[key + u"\\TypeLib"] = {{u"", typeLib}};
  }
  const std::u16string version = u"TypeLib\\" + typeLib + u"\\1.0";
  t[u"TypeLib"];
  t[u"TypeLib\\" + typeLib];
  t[version] = {{u"", u"ZRQDistortion2D 1.0 Type Library"}};
  t[version + u"\\0"];
  t[version + u"\\0\\win64"] = {{u"", module}};
  t[version + u"\\FLAGS"] = {{u"", u"0"}};
  t[version + u"\\HELPDIR"] = {{u"", module.substr(0, module.rfind(u'/'))}};
  return t;
}

// A tree as text, one key a line, so that a failed comparison shows the difference.
std::string Text(const Tree &tree) {
  std::string out;
  for (const auto &[key, values] : tree) {
    std::string narrow;
    ZrqWideToUtf8(key, &narrow);
    out += "[" + narrow + "]";
    for (const auto &[name, data] : values) {
      std::string n, d;
      ZrqWideToUtf8(name, &n);
      ZrqWideToUtf8(data, &d);
      out += " " + (n.empty() ? std::string("@") : n) + "=" + d;
    }
    out += "\n";
  }
  return out;
}

// The module loaded from a file, with its registration entry points.
class LoadedModule {
public:
  explicit LoadedModule(const std::string &file)
      : handle(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    EXPECT_NE(handle, nullptr) << dlerror();
    if (!handle) return;
    registerServer = reinterpret_cast<LPFNDLLREGISTERSERVER>(dlsym(handle, "DllRegisterServer"));
    unregisterServer =
        reinterpret_cast<LPFNDLLUNREGISTERSERVER>(dlsym(handle, "DllUnregisterServer"));
    path = Wide(std::filesystem::canonical(file).string());
  }
  ~LoadedModule() {
    if (handle) dlclose(handle);
  }
  HRESULT Register() const { return registerServer ? registerServer() : E_FAIL; }
  HRESULT Unregister() const { return unregisterServer ? unregisterServer() : E_FAIL; }

  std::u16string path;

private:
  void *handle;
  LPFNDLLREGISTERSERVER registerServer = nullptr;
  LPFNDLLUNREGISTERSERVER unregisterServer = nullptr;
};

class Registration : public ::testing::Test {
protected:
  TemporaryRegistry registry;
  LoadedModule module{ModuleFile()};
};

TEST_F(Registration, WritesExactlyItsEntries) {
  ASSERT_EQ(module.Register(), S_OK) << LastProblem();
  EXPECT_EQ(Text(Registry()), Text(ExpectedTree(module.path)));
}

TEST_F(Registration, RegisteringAgainLeavesOneTreePerClass) {
  ASSERT_EQ(module.Register(), S_OK);
  {
    CRegKey stale;
    ASSERT_EQ(
        stale.Create(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}\\Stale"),
        0);
  }
  ASSERT_EQ(module.Register(), S_OK);
  EXPECT_EQ(Text(Registry()), Text(ExpectedTree(module.path)));
}

TEST_F(Registration, UnregisteringKeepsAppIdClsidAndWhatOthersKeepThere) {
  ASSERT_EQ(module.Register(), S_OK);
  {
    CRegKey other, otherAppId;
    ASSERT_EQ(other.Create(HKEY_CLASSES_ROOT,
                           u"CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32"),
              0);
    ASSERT_EQ(otherAppId.Create(HKEY_CLASSES_ROOT, u"AppID\\other.dll"), 0);
  }
  ASSERT_EQ(module.Unregister(), S_OK);
  Tree left = {{u"AppID", {}},
               {u"AppID\\other.dll", {}},
               {u"CLSID", {}},
               {u"CLSID\\{00000000-1111-2222-3333-444444444444}", {}},
               {u"CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", {}},
               {u"TypeLib", {}}};
  EXPECT_EQ(Text(Registry()), Text(left));
  EXPECT_EQ(module.Unregister(), S_OK) << "twice is no error";
  EXPECT_EQ(Text(Registry()), Text(left));
}

TEST_F(Registration, ADamagedRegistryIsReportedAndKept) {
  registry.Write("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A");
  EXPECT_EQ(module.Register(), HRESULT_FROM_WIN32(ERROR_BADDB));
  EXPECT_NE(LastProblem().find("registry.reg:3:"), std::string::npos) << LastProblem();
  EXPECT_EQ(module.Unregister(), HRESULT_FROM_WIN32(ERROR_BADDB));
  EXPECT_EQ(registry.Text(), "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A");
}

TEST_F(Registration, CarriesItsTypeLibrary) {
  CComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(module.path.c_str(), REGKIND_NONE, &library), S_OK);
  CComBSTR name;
  ASSERT_EQ(library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(std::u16string(name), u"IZRQDistortion2DLib");
  library.Release();
  EXPECT_EQ(LoadTypeLibEx((module.path + u"\\2").c_str(), REGKIND_NONE, &library),
            TYPE_E_CANTLOADLIBRARY);
}

// A copy of the module in a folder deep enough that its full path has `length` characters.
std::string CopyWithPathLength(const std::string &folder, size_t length) {
  std::string directory = folder;
  const std::string name = "/ZRQDistortion2D9.so";
  while (directory.size() + name.size() < length) {
    const size_t part = std::min<size_t>(100, length - directory.size() - name.size() - 1);
    if (part == 0) break;
    directory += "/" + std::string(part, 'd');
  }
  std::filesystem::create_directories(directory);
  const std::string copy = directory + name;
  std::filesystem::copy_file(ModuleFile(), copy);
  return copy;
}

TEST_F(Registration, AModulePathThatFillsTheNameBufferIsRefused) {
  const std::string folder = std::filesystem::canonical(registry.Folder()).string();
  const std::string fits = CopyWithPathLength(folder + "/fits", 259);
  ASSERT_EQ(fits.size(), 259u);
  {
    LoadedModule deep(fits);
    ASSERT_EQ(deep.Register(), S_OK);
    EXPECT_EQ(GetString(HKEY_CLASSES_ROOT,
                        u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}\\InprocServer32", nullptr),
              Wide(fits));
    ASSERT_EQ(deep.Unregister(), S_OK);
  }
  const std::string before = registry.Text();
  const std::string tooLong = CopyWithPathLength(folder + "/long", 260);
  ASSERT_EQ(tooLong.size(), 260u);
  LoadedModule deep(tooLong);
  EXPECT_EQ(deep.Register(), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(deep.Unregister(), static_cast<HRESULT>(0x8007007A));
  EXPECT_EQ(registry.Text(), before);
}

TEST_F(Registration, TwoProcessesRegisteringInALoopLoseNothing) {
  const char *dir = std::getenv("ZRQ_BINARY_DIR");
  const std::string command = std::string(dir ? dir : ".") + "/bin/zrq-regsvr /s " + ModuleFile();
  std::vector<pid_t> children;
  for (int child = 0; child < 2; ++child) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < 10; ++i) {
        if (std::system(command.c_str()) != 0) _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "every registration succeeded";
  }
  EXPECT_EQ(Text(Registry()), Text(ExpectedTree(module.path)));
}

TEST_F(Registration, HostsCreateTheEffectThroughTheRegistry) {
  ASSERT_EQ(module.Register(), S_OK);
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"ZRQDistortion2D.ZRQDistortion2DEffect9", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZRQDistortion2DEffect);
  CComPtr<IEffectParameters> effect;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IEffectParameters,
                             reinterpret_cast<void **>(&effect)),
            S_OK);
  CComVariant id;
  ASSERT_EQ(effect->GetValue(0, &id), S_OK);
  EXPECT_EQ(id.vt, VT_I4);
  effect.Release();
  // The page a host creates from the class identifier the effect names.
  void *page = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_ZRQDistortion2DProp, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IPropertyPage, &page),
            S_OK);
  static_cast<IPropertyPage *>(page)->Release();
  ASSERT_EQ(module.Unregister(), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_ZRQDistortion2DEffect, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IUnknown, &page),
            REGDB_E_CLASSNOTREG);
  CoUninitialize();
}

} // namespace
