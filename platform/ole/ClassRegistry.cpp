// Classes and ProgIDs in HKEY_CLASSES_ROOT: CLSID\{clsid}\InprocServer32 and \ProgID, and
// ProgID\CLSID with ProgID\CurVer naming the current version of a version-independent ProgID.
#include "platform/ole/ClassRegistry.h"

#include <zrqboundary.h>
#include <atlbase.h>
#include <zrqtext.h>

#include <cstdlib>
#include <cstring>

namespace zrq::ole {
namespace {

// A ProgID's CurVer may name another that has one in turn; a loop ends here.
constexpr int kMaxVersionHops = 8;

HRESULT ReadFailure(LONG status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_INVALID_DATA ? REGDB_E_CLASSNOTREG
                                                                        : REGDB_E_READREGDB;
}

std::u16string ClassKeyName(REFCLSID clsid, const char16_t *subkey) {
  OLECHAR guid[CHARS_IN_GUID];
  StringFromGUID2(clsid, guid, CHARS_IN_GUID);
  return u"CLSID\\" + std::u16string(guid) + u"\\" + subkey;
}

// %NAME% replaced by the variable's value; a name that is not set stays as written.
std::u16string ExpandEnvironment(const std::u16string &text) {
  std::u16string out;
  for (size_t at = 0; at < text.size();) {
    const size_t open = text.find(u'%', at);
    const size_t close = open == std::u16string::npos ? open : text.find(u'%', open + 1);
    if (close == std::u16string::npos) {
      out += text.substr(at);
      break;
    }
    out += text.substr(at, open - at);
    std::string name, value;
    const char *set = ZrqWideToUtf8(text.substr(open + 1, close - open - 1), &name) && !name.empty()
                          ? std::getenv(name.c_str())
                          : nullptr;
    std::u16string expanded;
    if (set != nullptr && ZrqUtf8ToWide(set, &expanded)) {
      out += expanded;
    } else {
      out += text.substr(open, close - open + 1);
    }
    at = close + 1;
  }
  return out;
}

// A ProgID is one key's name: it never reaches below HKEY_CLASSES_ROOT.
bool IsProgIdName(LPCOLESTR name) {
  return name[0] != 0 && std::u16string_view(name).find(u'\\') == std::u16string_view::npos;
}

HRESULT ClassOfProgId(const std::u16string &progId, int hops, CLSID *clsid) {
  if (!IsProgIdName(progId.c_str())) return CO_E_CLASSSTRING;
  CRegKey key;
  if (const LONG status = key.Open(HKEY_CLASSES_ROOT, progId.c_str(), KEY_READ);
      status != ERROR_SUCCESS)
    return status == ERROR_FILE_NOT_FOUND ? CO_E_CLASSSTRING : REGDB_E_READREGDB;
  CRegKey current;
  std::u16string currentVersion;
  if (hops < kMaxVersionHops && current.Open(key, u"CurVer", KEY_READ) == ERROR_SUCCESS &&
      current.QueryStringValue(nullptr, &currentVersion) == ERROR_SUCCESS &&
      currentVersion != progId) {
    if (SUCCEEDED(ClassOfProgId(currentVersion, hops + 1, clsid))) return S_OK;
  }
  CRegKey classKey;
  std::u16string text;
  if (const LONG status = classKey.Open(key, u"CLSID", KEY_READ); status != ERROR_SUCCESS)
    return status == ERROR_FILE_NOT_FOUND ? CO_E_CLASSSTRING : REGDB_E_READREGDB;
  if (classKey.QueryStringValue(nullptr, &text) != ERROR_SUCCESS ||
      FAILED(CLSIDFromString(text.c_str(), clsid)))
    return CO_E_CLASSSTRING;
  return S_OK;
}

} // namespace

HRESULT InprocServerPath(REFCLSID clsid, std::u16string *path) {
  CRegKey server;
  if (const LONG status =
          server.Open(HKEY_CLASSES_ROOT, ClassKeyName(clsid, u"InprocServer32").c_str(), KEY_READ);
      status != ERROR_SUCCESS)
    return ReadFailure(status);
  std::u16string text;
  if (const LONG status = server.QueryStringValue(nullptr, &text); status != ERROR_SUCCESS)
    return ReadFailure(status);
  text = ExpandEnvironment(text);
  // A server that is a program is registered in quotes.
  if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
    text = text.substr(1, text.size() - 2);
  if (text.empty()) return REGDB_E_CLASSNOTREG;
  *path = std::move(text);
  return S_OK;
}

} // namespace zrq::ole

WINOLEAPI CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (lpszProgID == nullptr || lpclsid == nullptr) return E_INVALIDARG;
  return ZrqComBoundary([&]() -> HRESULT {
    CLSID clsid{};
    const HRESULT hr = zrq::ole::ClassOfProgId(lpszProgID, 0, &clsid);
    *lpclsid = SUCCEEDED(hr) ? clsid : CLSID{};
    return hr;
  });
}

WINOLEAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR *lplpszProgID) {
  if (lplpszProgID == nullptr) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  return ZrqComBoundary([&]() -> HRESULT {
    CRegKey key;
    std::u16string progId;
    if (const LONG status =
            key.Open(HKEY_CLASSES_ROOT, zrq::ole::ClassKeyName(clsid, u"ProgID").c_str(), KEY_READ);
        status != ERROR_SUCCESS)
      return zrq::ole::ReadFailure(status);
    if (const LONG status = key.QueryStringValue(nullptr, &progId); status != ERROR_SUCCESS)
      return zrq::ole::ReadFailure(status);
    auto *copy = static_cast<LPOLESTR>(CoTaskMemAlloc((progId.size() + 1) * sizeof(OLECHAR)));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, progId.c_str(), (progId.size() + 1) * sizeof(OLECHAR));
    *lplpszProgID = copy;
    return S_OK;
  });
}
