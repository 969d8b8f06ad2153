// zrq-reg: looks at and repairs the registry by hand.
//   zrq-reg query KEY [/s]          the key's values and subkeys (/s: everything below it)
//   zrq-reg export KEY FILE         the key and everything below it as a .reg file
//   zrq-reg import FILE             a .reg file's keys, values and deletions, all or nothing
//   zrq-reg delete KEY [/v NAME | /ve]   the key with everything below it, or one value
// Exit status 0 when done, 1 when it could not be done, 2 for bad usage.
#include "host/common/ToolCommandLine.h"
#include "host/zrq-reg/RegistryKeyName.h"
#include "host/zrq-reg/StatusText.h"

#include <atlbase.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What the line asks for: the command and its words, and the switches, which may be written
// /s, /v NAME and /ve as on Windows.
struct Options {
  std::vector<std::string> words; // the command, then its KEY and FILE
  bool recurse = false;
  std::optional<std::string> valueName;
  bool defaultValue = false;
  CLI::Option *recurseFlag = nullptr;
  CLI::Option *valueFlag = nullptr;
  CLI::Option *defaultValueFlag = nullptr;
};

void DeclareFlags(ToolCommandLine &line, Options &options) {
  line.AcceptSlashFlags();
  line.App()
      .add_option("COMMAND", options.words,
                  "query KEY, export KEY FILE, import FILE or\n"
                  "delete KEY")
      ->type_name("");
  options.recurseFlag =
      line.AddFlag("-s", options.recurse, "query: show everything below the key; or /s")
          ->ignore_case();
  options.valueFlag = line.AddText("-v", options.valueName, "NAME",
                                   "delete: only the key's value NAME; or /v NAME");
  options.defaultValueFlag =
      line.AddFlag("--ve", options.defaultValue, "delete: only the key's default value; or /ve");
  line.App().footer(
      "  query   shows the key's values and its subkeys; /s shows everything below it\n"
      "  export  writes the key and everything below it to FILE, in the .reg form\n"
      "  import  applies a .reg file (keys, values, [-KEY] and \"name\"=- deletions) in\n"
      "          one step; a file with a mistake changes nothing\n"
      "  delete  deletes the key and everything below it, or only its value NAME (/v)\n"
      "          or its default value (/ve)\n"
      "\n"
      "KEY is ROOT\\path\\to\\key, ROOT one of HKCR, HKCU, HKLM, HKU, HKCC or their long\n"
      "names (HKEY_CLASSES_ROOT, ...). The registry is the file $ZRQ_REGISTRY, else\n"
      "$XDG_DATA_HOME/zrq/registry.reg (~/.local/share/zrq/registry.reg).\n"
      "Exit status: 0 done, 1 failed, 2 bad usage.");
}

int Fail(const std::string &what, LONG status) {
  return ReportFailure("zrq-reg", what + ": " + StatusText(HRESULT_FROM_WIN32(status)));
}

int Usage(const std::string &message) { return ReportUsage("zrq-reg", message); }

std::string Utf8(std::u16string_view text) {
  std::string out;
  return ZrqWideToUtf8(text, &out) ? out : std::string("?");
}

const char *TypeName(DWORD type) {
  switch (type) {
  case REG_NONE:
    return "REG_NONE";
  case REG_SZ:
    return "REG_SZ";
  case REG_EXPAND_SZ:
    return "REG_EXPAND_SZ";
  case REG_BINARY:
    return "REG_BINARY";
  case REG_DWORD:
    return "REG_DWORD";
  case REG_DWORD_BIG_ENDIAN:
    return "REG_DWORD_BIG_ENDIAN";
  case REG_LINK:
    return "REG_LINK";
  case REG_MULTI_SZ:
    return "REG_MULTI_SZ";
  case REG_QWORD:
    return "REG_QWORD";
  default:
    return nullptr;
  }
}

// The data as the Windows tool shows it: strings as text (a multi-string's parts joined by
// \0), numbers in hexadecimal, anything else as hexadecimal bytes.
std::string DataText(DWORD type, const std::vector<BYTE> &data) {
  char number[32];
  if ((type == REG_DWORD && data.size() == 4) || (type == REG_QWORD && data.size() == 8)) {
    unsigned long long value = 0;
    for (size_t i = data.size(); i-- > 0;) value = value << 8 | data[i];
    std::snprintf(number, sizeof number, "0x%llx", value);
    return number;
  }
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && data.size() % 2 == 0) {
    std::u16string text;
    for (size_t i = 0; i < data.size(); i += 2)
      text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    while (!text.empty() && text.back() == 0) text.pop_back();
    std::string out;
    for (char16_t c : text) out += c == 0 ? std::string("\\0") : Utf8(std::u16string(1, c));
    return out;
  }
  std::string out;
  for (BYTE b : data) std::snprintf(number, sizeof number, "%02X", b), out += number;
  return out;
}

LONG PrintValues(HKEY key) {
  std::vector<char16_t> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
    LONG status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    std::vector<BYTE> data(size);
    nameLength = static_cast<DWORD>(name.size());
    status = RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (status != ERROR_SUCCESS) return status;
    data.resize(size);
    const char *typeName = TypeName(type);
    char unknownType[16];
    if (typeName == nullptr)
      std::snprintf(unknownType, sizeof unknownType, "0x%x", type), typeName = unknownType;
    const std::string shownName =
        nameLength == 0 ? "(Default)" : Utf8(std::u16string_view(name.data(), nameLength));
    std::printf("    %s    %s    %s\n", shownName.c_str(), typeName, DataText(type, data).c_str());
  }
}

std::vector<std::u16string> Subkeys(HKEY key, LONG *status) {
  std::vector<std::u16string> names;
  char16_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    *status = RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (*status == ERROR_NO_MORE_ITEMS) {
      *status = ERROR_SUCCESS;
      return names;
    }
    if (*status != ERROR_SUCCESS) return names;
    names.emplace_back(name, length);
  }
}

// Shows the key; with `recurse`, every key below it the same way, else only their names.
LONG Query(HKEY key, const std::string &path, bool recurse) {
  std::printf("\n%s\n", path.c_str());
  if (const LONG status = PrintValues(key); status != ERROR_SUCCESS) return status;
  LONG status = ERROR_SUCCESS;
  const std::vector<std::u16string> names = Subkeys(key, &status);
  if (status != ERROR_SUCCESS) return status;
  if (!recurse) {
    if (!names.empty()) std::printf("\n");
    for (const std::u16string &name : names)
      std::printf("%s\\%s\n", path.c_str(), Utf8(name).c_str());
    return ERROR_SUCCESS;
  }
  for (const std::u16string &name : names) {
    CRegKey child;
    if (const LONG opened = child.Open(key, name.c_str(), KEY_READ); opened != ERROR_SUCCESS)
      return opened;
    if (const LONG shown = Query(child, path + "\\" + Utf8(name), true); shown != ERROR_SUCCESS)
      return shown;
  }
  return ERROR_SUCCESS;
}

int Run(const Options &options) {
  const std::vector<std::string> &args = options.words;
  if (args.empty()) return Usage("which command? query, export, import or delete");
  const std::string &command = args[0];
  // Each switch belongs to one command.
  const auto switches = [&](std::initializer_list<const CLI::Option *> allowed) {
    for (const CLI::Option *flag :
         {options.recurseFlag, options.valueFlag, options.defaultValueFlag})
      if (Given(flag) && std::find(allowed.begin(), allowed.end(), flag) == allowed.end())
        return false;
    return true;
  };
  if (command == "import") {
    if (args.size() != 2 || !switches({})) return Usage("import takes one file");
    if (const LONG status = ZrqRegImportFile(args[1].c_str()); status != ERROR_SUCCESS)
      return Fail("cannot import " + args[1], status);
    std::printf("The operation completed successfully.\n");
    return kExitDone;
  }
  if (command != "query" && command != "export" && command != "delete")
    return Usage("unknown command '" + command + "'");
  if (args.size() < 2) return Usage(command + " needs a key");
  std::string error;
  const std::optional<RegistryKeyName> name = RegistryKeyName::Parse(args[1], &error);
  if (!name) return Usage(error);

  if (command == "delete") {
    if (args.size() != 2 || !switches({options.valueFlag, options.defaultValueFlag}) ||
        (options.valueName && options.defaultValue))
      return Usage("delete takes a key, and /v NAME or /ve for a value");
    if (!options.valueName && !options.defaultValue) {
      if (name->subkey.empty()) return Usage("a root key cannot be deleted");
      if (const LONG status = RegDeleteTreeW(name->root, name->subkey.c_str());
          status != ERROR_SUCCESS)
        return Fail("cannot delete " + name->text, status);
    } else {
      std::u16string valueName;
      if (options.valueName && !ZrqUtf8ToWide(*options.valueName, &valueName))
        return Usage("the value name is not UTF-8");
      CRegKey key;
      if (const LONG status = key.Open(name->root, name->subkey.c_str()); status != ERROR_SUCCESS)
        return Fail("cannot open " + name->text, status);
      if (const LONG status = key.DeleteValue(valueName.c_str()); status != ERROR_SUCCESS)
        return Fail("cannot delete the value of " + name->text, status);
    }
    std::printf("The operation completed successfully.\n");
    return kExitDone;
  }

  const bool isQuery = command == "query";
  if (isQuery && (args.size() != 2 || !switches({options.recurseFlag})))
    return Usage("query takes a key and, to show everything below it, /s");
  if (!isQuery && (args.size() != 3 || !switches({})))
    return Usage("export takes a key and a file");
  CRegKey key;
  if (const LONG status = key.Open(name->root, name->subkey.c_str(), KEY_READ);
      status != ERROR_SUCCESS)
    return Fail("cannot open " + name->text, status);
  if (isQuery) {
    if (const LONG status = Query(key, name->text, options.recurse); status != ERROR_SUCCESS)
      return Fail("cannot read " + name->text, status);
    return 0;
  }
  if (const LONG status = ZrqRegExportKey(key, args[2].c_str()); status != ERROR_SUCCESS)
    return Fail("cannot export " + name->text + " to " + args[2], status);
  std::printf("The operation completed successfully.\n");
  return kExitDone;
}

} // namespace

int main(int argc, char **argv) {
  ToolCommandLine line("zrq-reg", "Looks at and repairs the registry.\n\n"
                                  "  zrq-reg query KEY [/s]\n"
                                  "  zrq-reg export KEY FILE\n"
                                  "  zrq-reg import FILE\n"
                                  "  zrq-reg delete KEY [/v NAME | /ve]");
  Options options;
  DeclareFlags(line, options);
  if (std::optional<int> status = line.Conclude(line.Parse(argc, argv))) return *status;
  return Run(options);
}
