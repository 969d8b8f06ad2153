#include "module/ModuleRegistration.h"

#include <atlbase.h>
#include <atlcomcli.h>
#include <zrqresource.h>

#include "module/ClassTable.h"

namespace {

// Spelled exactly so wherever it is written: hosts compare the text.
constexpr char16_t kApplicationId[] = u"{396CB57E-A671-442b-A94A-83BB46261AAD}";
constexpr WORD kApplicationScript = 101;

HRESULT LastError() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

// The module's folder, which holds its help as well.
std::u16string Folder(const std::u16string &path) {
  const size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash == 0 ? 1 : slash);
}

HRESULT LoadOwnTypeLibrary(ITypeLib **library, std::u16string *path) {
  if (const HRESULT hr = ModuleRegistration::ModulePath(path); FAILED(hr)) return hr;
  return LoadTypeLibEx(path->c_str(), REGKIND_NONE, library);
}

HRESULT RegisterTypeLibrary() {
  CComPtr<ITypeLib> library;
  std::u16string path;
  if (const HRESULT hr = LoadOwnTypeLibrary(&library, &path); FAILED(hr)) return hr;
  return RegisterTypeLib(library, path.c_str(), Folder(path).c_str());
}

HRESULT UnregisterTypeLibrary() {
  CComPtr<ITypeLib> library;
  std::u16string path;
  if (const HRESULT hr = LoadOwnTypeLibrary(&library, &path); FAILED(hr)) return hr;
  TLIBATTR *attributes = nullptr;
  if (const HRESULT hr = library->GetLibAttr(&attributes); FAILED(hr)) return hr;
  const TLIBATTR a = *attributes;
  library->ReleaseTLibAttr(attributes);
  // A library that is not registered has nothing to remove; unregistering twice is no error.
  OLECHAR guid[CHARS_IN_GUID];
  StringFromGUID2(a.guid, guid, CHARS_IN_GUID);
  CRegKey registered;
  const LONG status =
      registered.Open(HKEY_CLASSES_ROOT, (u"TypeLib\\" + std::u16string(guid)).c_str(), KEY_READ);
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  return UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

} // namespace

HRESULT ModuleRegistration::ModulePath(std::u16string *path) {
  WCHAR name[MAX_PATH];
  const DWORD length = GetModuleFileNameW(ZrqThisModule(), name, MAX_PATH);
  if (length == 0) return LastError();
  if (length == MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  path->assign(name, length);
  return S_OK;
}

HRESULT ModuleRegistration::UpdateRegistryFromResource(WORD id, ScriptMode mode) {
  try {
    std::u16string modulePath;
    if (const HRESULT hr = ModulePath(&modulePath); FAILED(hr)) return hr;
    // A program is registered in quotes, so that a path with spaces stays one command.
    const bool isProgram = GetModuleHandleW(nullptr) == ZrqThisModule();
    const ScriptReplacements replacements = {
        {u"APPID", kApplicationId},
        {u"Module", isProgram ? u"\"" + modulePath + u"\"" : modulePath},
        {u"Module_Raw", modulePath},
    };

    const HMODULE module = ZrqThisModule();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), u"REGISTRY");
    if (resource == nullptr) return LastError();
    const auto *bytes = static_cast<const char *>(LockResource(LoadResource(module, resource)));
    const DWORD size = SizeofResource(module, resource);
    if (bytes == nullptr) return LastError();
    std::u16string text(size, u'\0');
    if (size > 0) {
      const int length =
          MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size),
                              text.data(), static_cast<int>(text.size()));
      if (length == 0) return LastError();
      text.resize(static_cast<size_t>(length));
    }

    RegistryScript script;
    ScriptProblem problem;
    if (const HRESULT hr = RegistryScript::Parse(text, replacements, &script, &problem); FAILED(hr))
      return hr;
    return RunRegistryScript(script, mode);
  } catch (const std::bad_alloc &) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ModuleRegistration::RegisterServer() {
  if (const HRESULT hr = UpdateRegistryFromResource(kApplicationScript, ScriptMode::Register);
      FAILED(hr))
    return hr;
  for (const ClassEntry &entry : ClassTable()) {
    if (const HRESULT hr = UpdateRegistryFromResource(entry.registryScript, ScriptMode::Register);
        FAILED(hr))
      return hr;
  }
  return RegisterTypeLibrary();
}

HRESULT ModuleRegistration::UnregisterServer() {
  for (const ClassEntry &entry : ClassTable()) {
    if (const HRESULT hr = UpdateRegistryFromResource(entry.registryScript, ScriptMode::Unregister);
        FAILED(hr))
      return hr;
  }
  if (const HRESULT hr = UnregisterTypeLibrary(); FAILED(hr)) return hr;
  return UpdateRegistryFromResource(kApplicationScript, ScriptMode::Unregister);
}
