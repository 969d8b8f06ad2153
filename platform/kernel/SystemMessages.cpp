// FormatMessageW for system messages: the words Windows gives the Win32 error codes and
// HRESULTs that this platform hands out, so that tools can say what a status means.
#include <cstring>
#include <string_view>

#include <winbase.h>

namespace {

struct Message {
  DWORD code; // a Win32 error code, or an HRESULT of another facility
  std::u16string_view text;
};

constexpr Message kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY,
     u"Not enough memory resources are available to process this command."},
    {ERROR_INVALID_DATA, u"The data is invalid."},
    {ERROR_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation."},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect."},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not supported on this system."},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, u"The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found."},
    {ERROR_BAD_PATHNAME, u"The specified path is invalid."},
    {ERROR_BAD_EXE_FORMAT, u"The file is not a library that can be loaded."},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long."},
    {ERROR_MORE_DATA, u"More data is available."},
    {ERROR_NO_MORE_ITEMS, u"No more data is available."},
    {ERROR_NOACCESS, u"Invalid access to memory location."},
    {ERROR_INVALID_FLAGS, u"Invalid flags."},
    {ERROR_BADDB, u"The configuration registry database is corrupt."},
    {ERROR_BADKEY, u"The configuration registry key is invalid."},
    {ERROR_CANTOPEN, u"The configuration registry key could not be opened."},
    {ERROR_CANTREAD, u"The configuration registry key could not be read."},
    {ERROR_CANTWRITE, u"The configuration registry key could not be written."},
    {ERROR_KEY_DELETED,
     u"Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_NO_UNICODE_TRANSLATION,
     u"No mapping for the Unicode character exists in the target multi-byte code page."},
    {ERROR_DLL_INIT_FAILED, u"A dynamic link library (DLL) initialization routine failed."},
    {ERROR_RESOURCE_DATA_NOT_FOUND,
     u"The specified image file did not contain a resource section."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND,
     u"The specified resource type cannot be found in the image file."},
    {ERROR_RESOURCE_NAME_NOT_FOUND,
     u"The specified resource name cannot be found in the image file."},
    {static_cast<DWORD>(E_UNEXPECTED), u"Catastrophic failure"},
    {static_cast<DWORD>(E_NOTIMPL), u"Not implemented"},
    {static_cast<DWORD>(E_NOINTERFACE), u"No such interface supported"},
    {static_cast<DWORD>(E_POINTER), u"Invalid pointer"},
    {static_cast<DWORD>(E_ABORT), u"Operation aborted"},
    {static_cast<DWORD>(E_FAIL), u"Unspecified error"},
    {static_cast<DWORD>(CLASS_E_NOAGGREGATION),
     u"Class does not support aggregation (or class object is remote)"},
    {static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE), u"ClassFactory cannot supply requested class"},
    {static_cast<DWORD>(REGDB_E_READREGDB), u"Could not read key from registry"},
    {static_cast<DWORD>(REGDB_E_WRITEREGDB), u"Could not write key to registry"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), u"Class not registered"},
    {static_cast<DWORD>(CO_E_NOTINITIALIZED), u"CoInitialize has not been called."},
    {static_cast<DWORD>(CO_E_CLASSSTRING), u"Invalid class string"},
    {static_cast<DWORD>(CO_E_DLLNOTFOUND), u"DLL for class not found"},
    {static_cast<DWORD>(CO_E_ERRORINDLL), u"Error in the DLL"},
    {static_cast<DWORD>(RPC_E_CHANGED_MODE), u"Cannot change thread mode after it is set."},
    {static_cast<DWORD>(DISP_E_TYPEMISMATCH), u"Type mismatch."},
    {static_cast<DWORD>(DISP_E_BADVARTYPE), u"Bad variable type."},
    {static_cast<DWORD>(DISP_E_EXCEPTION), u"Exception occurred."},
    {static_cast<DWORD>(DISP_E_OVERFLOW), u"Out of present range."},
    {static_cast<DWORD>(TYPE_E_INVDATAREAD), u"Old format or invalid type library."},
    {static_cast<DWORD>(TYPE_E_UNSUPFORMAT), u"Old format or invalid type library."},
    {static_cast<DWORD>(TYPE_E_REGISTRYACCESS), u"Error accessing the OLE registry."},
    {static_cast<DWORD>(TYPE_E_LIBNOTREGISTERED), u"Library not registered."},
    {static_cast<DWORD>(TYPE_E_ELEMENTNOTFOUND), u"Element not found."},
    {static_cast<DWORD>(TYPE_E_CANTLOADLIBRARY), u"Error loading type library/DLL."},
};

const Message *Find(DWORD code) {
  // A Win32 code carried in an HRESULT has the code's own message.
  if ((code & 0xFFFF0000u) == 0x80070000u) code &= 0xFFFFu;
  for (const Message &m : kMessages) {
    if (m.code == code) return &m;
  }
  return nullptr;
}

} // namespace

STDAPI_(DWORD)
FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
               LPWSTR lpBuffer, DWORD nSize, void *) {
  constexpr DWORD kSupported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  if ((dwFlags & ~FORMAT_MESSAGE_MAX_WIDTH_MASK) != kSupported || lpSource != nullptr ||
      dwLanguageId != 0 || lpBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const Message *message = Find(dwMessageId);
  if (message == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  const size_t length = message->text.size() + 2; // with its line break, as Windows ends it
  if (length + 1 > nSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, message->text.data(), message->text.size() * sizeof(WCHAR));
  lpBuffer[length - 2] = u'\r';
  lpBuffer[length - 1] = u'\n';
  lpBuffer[length] = 0;
  return static_cast<DWORD>(length);
}
