// Creating classes through the registry: apartments, ProgIDs with CurVer, in-process servers
// loaded once and unloaded when they allow it, and every failure with its status.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlcomcli.h>
#include <zrqloader.h>
#include <zrqtext.h>

#include <thread>

#include "TestServer.h"
#include "platform/registry/RegistryTestSupport.h"

namespace {

std::u16string Wide(const std::string &text) {
  std::u16string wide;
  ZrqUtf8ToWide(text, &wide);
  return wide;
}

std::u16string Braced(REFGUID guid) {
  OLECHAR text[CHARS_IN_GUID];
  StringFromGUID2(guid, text, CHARS_IN_GUID);
  return text;
}

// {11111111-2222-3333-4444-555555555555}
const CLSID kUnregistered = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
// {22222222-2222-3333-4444-555555555555}
const CLSID kMissingServer = {
    0x22222222, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
// {33333333-2222-3333-4444-555555555555}
const CLSID kNotAServer = {
    0x33333333, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

void SetDefault(const std::u16string &path, const std::u16string &value, DWORD type = REG_SZ) {
  CRegKey key;
  ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, path.c_str()), ERROR_SUCCESS);
  ASSERT_EQ(key.SetStringValue(nullptr, value.c_str(), type), ERROR_SUCCESS);
}

class Activation : public ::testing::Test {
protected:
  void SetUp() override {
    const std::u16string server = u"CLSID\\" + Braced(CLSID_TestServerObject);
    SetDefault(server + u"\\InprocServer32", Wide(TEST_SERVER_PATH));
    SetDefault(server + u"\\ProgID", u"Test.Server.2");
    SetDefault(u"Test.Server.2\\CLSID", Braced(CLSID_TestServerObject));
    SetDefault(u"Test.Server\\CLSID", Braced(kUnregistered));
    SetDefault(u"Test.Server\\CurVer", u"Test.Server.2");
    SetDefault(u"CLSID\\" + Braced(kMissingServer) + u"\\InprocServer32",
               u"/nonexistent/server.so");
    SetDefault(u"CLSID\\" + Braced(kNotAServer) + u"\\InprocServer32", Wide(NOT_A_SERVER_PATH));
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  }
  void TearDown() override {
    CoUninitialize();
    // The last thread out unloads the servers that allow it.
    EXPECT_EQ(GetModuleHandleW(Wide(TEST_SERVER_PATH).c_str()), nullptr);
  }

  TemporaryRegistry registry;
};

TEST(Apartments, ThreadsEnterAndLeaveWithTheirModel) {
  TemporaryRegistry registry;
  std::thread([] {
    void *object = reinterpret_cast<void *>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoInitializeEx(reinterpret_cast<void *>(1), COINIT_MULTITHREADED), E_INVALIDARG);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &object),
              CO_E_NOTINITIALIZED);
    CoUninitialize(); // one too many does no harm
  }).join();
}

TEST_F(Activation, CreatesByClassAndByProgIdFollowingCurVer) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"Test.Server", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestServerObject) << "CurVer names the current version";
  ASSERT_EQ(CLSIDFromProgID(u"test.server.2", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestServerObject);
  LPOLESTR progId = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_TestServerObject, &progId), S_OK);
  EXPECT_EQ(std::u16string(progId), u"Test.Server.2");
  CoTaskMemFree(progId);

  CComPtr<IUnknown> object;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void **>(&object)),
            S_OK);
  CComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void **>(&factory)),
            S_OK);
  void *out = reinterpret_cast<void *>(1);
  EXPECT_EQ(factory->CreateInstance(object, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(clsid, object, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &out),
            E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(Activation, LoadsAServerOnceAndUnloadsItWhenItAllows) {
  const std::u16string path = Wide(TEST_SERVER_PATH);
  CComPtr<IUnknown> first, second;
  ASSERT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void **>(&first)),
            S_OK);
  ASSERT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void **>(&second)),
            S_OK);
  const HMODULE server = GetModuleHandleW(path.c_str());
  ASSERT_NE(server, nullptr);
  // Loaded once: giving up one load of ours leaves the image, since COM holds the only other.
  const HMODULE again = LoadLibraryW(path.c_str());
  EXPECT_EQ(again, server);
  FreeLibrary(again);

  CoFreeUnusedLibraries();
  EXPECT_NE(GetModuleHandleW(path.c_str()), nullptr) << "its objects are alive";
  first.Release();
  second.Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
  // And it comes back when it is needed again.
  ASSERT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void **>(&first)),
            S_OK);
}

TEST_F(Activation, FailuresSayWhatIsMissing) {
  void *out = reinterpret_cast<void *>(1);
  EXPECT_EQ(CoCreateInstance(kUnregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(
      CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &out),
      REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(kMissingServer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  char message[512];
  ZrqGetLoaderMessage(message, sizeof message);
  EXPECT_NE(std::string(message).find("/nonexistent/server.so"), std::string::npos) << message;
  EXPECT_EQ(CoCreateInstance(kNotAServer, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            CO_E_ERRORINDLL);
  EXPECT_EQ(CoCreateInstance(kUnregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
            E_POINTER);

  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(u"No.Such.ProgId", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"CLSID\\..", &clsid), CO_E_CLASSSTRING)
      << "a ProgID is one name, not a path";
  EXPECT_EQ(CLSIDFromProgID(u"", &clsid), CO_E_CLASSSTRING);
  LPOLESTR progId = reinterpret_cast<LPOLESTR>(1);
  EXPECT_EQ(ProgIDFromCLSID(kUnregistered, &progId), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(progId, nullptr);

  // A CurVer that goes round in a circle ends; the ProgID's own class answers.
  SetDefault(u"Loop.A\\CurVer", u"Loop.B");
  SetDefault(u"Loop.B\\CurVer", u"Loop.A");
  SetDefault(u"Loop.A\\CLSID", Braced(CLSID_TestServerObject));
  EXPECT_EQ(CLSIDFromProgID(u"Loop.A", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_TestServerObject);

  registry.Write("damaged");
  EXPECT_EQ(
      CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
      REGDB_E_READREGDB);
}

TEST_F(Activation, AServerPathMayBeQuotedOrExpanded) {
  setenv("ZRQ_TEST_SERVER_FOLDER", std::filesystem::path(TEST_SERVER_PATH).parent_path().c_str(),
         1);
  const std::u16string file = Wide(std::filesystem::path(TEST_SERVER_PATH).filename().string());
  SetDefault(u"CLSID\\" + Braced(CLSID_TestServerObject) + u"\\InprocServer32",
             u"\"%ZRQ_TEST_SERVER_FOLDER%/" + file + u"\"", REG_EXPAND_SZ);
  CComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(CLSID_TestServerObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void **>(&object)),
            S_OK);
  unsetenv("ZRQ_TEST_SERVER_FOLDER");
}

} // namespace
