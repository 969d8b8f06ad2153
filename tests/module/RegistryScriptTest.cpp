// The registry-script language: what it reads, what it refuses, and what registering and
// unregistering do to the registry.
#include <gtest/gtest.h>

#include <atlbase.h>

#include "module/RegistryScriptRunner.h"
#include "platform/registry/RegistryTestSupport.h"

namespace {

RegistryScript Parse(std::u16string_view text, const ScriptReplacements &replacements = {}) {
  RegistryScript script;
  ScriptProblem problem;
  EXPECT_EQ(RegistryScript::Parse(text, replacements, &script, &problem), S_OK)
      << problem.line << ": " << problem.message;
  return script;
}

HRESULT RunScript(std::u16string_view text, ScriptMode mode,
                  const ScriptReplacements &replacements = {}) {
  RegistryScript script;
  ScriptProblem problem;
  const HRESULT hr = RegistryScript::Parse(text, replacements, &script, &problem);
  return FAILED(hr) ? hr : RunRegistryScript(script, mode);
}

const ScriptKey &Key(const std::vector<ScriptClause> &body, size_t i) {
  return std::get<ScriptKey>(body.at(i).content);
}

std::vector<BYTE> Utf16z(std::u16string_view text) {
  std::vector<BYTE> bytes;
  for (char16_t c : text)
    bytes.push_back(static_cast<BYTE>(c)), bytes.push_back(static_cast<BYTE>(c >> 8));
  bytes.push_back(0), bytes.push_back(0);
  return bytes;
}

bool KeyExists(const char16_t *path) {
  CRegKey key;
  return key.Open(HKEY_CLASSES_ROOT, path, KEY_READ) == ERROR_SUCCESS;
}

TEST(RegistryScriptLanguage, ReadsEveryConstruct) {
  const RegistryScript script =
      Parse(u"HKCR { NoRemove CLSID { ForceRemove {D5A89DF2-3764-4F0F-9D0E-A1B75B65278A} = s "
            u"'It''s %Name%'\n"
            u"  { 'Quoted Key' val Number = d '42' val Hex = d '0x2A' val Blob = b '00fF' val List "
            u"= m 'a\\0b' "
            u"    Delete Old } } }\n"
            u"HKEY_CURRENT_USER { Software } hkdd { } HKEY_USERS { x=s'%%'{} }",
            {{u"NAME", u"{braces} and 'quotes'"}});
  ASSERT_EQ(script.roots.size(), 4u);
  EXPECT_EQ(script.roots[0].root, HKEY_CLASSES_ROOT);
  EXPECT_EQ(script.roots[1].root, HKEY_CURRENT_USER);
  EXPECT_EQ(script.roots[2].root, HKEY_DYN_DATA);
  const ScriptKey &clsid = Key(script.roots[0].body, 0);
  EXPECT_EQ(clsid.flag, KeyFlag::NoRemove);
  EXPECT_EQ(clsid.name, u"CLSID");
  const ScriptKey &cls = Key(clsid.body, 0);
  EXPECT_EQ(cls.flag, KeyFlag::ForceRemove);
  EXPECT_EQ(cls.name, u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}");
  ASSERT_TRUE(cls.defaultValue);
  // A replacement is data: its quotes and braces are kept as they are.
  EXPECT_EQ(cls.defaultValue->data, Utf16z(u"It's {braces} and 'quotes'"));
  ASSERT_EQ(cls.body.size(), 6u);
  EXPECT_EQ(Key(cls.body, 0).name, u"Quoted Key");
  const auto value = [&](size_t i) { return std::get<ScriptNamedValue>(cls.body[i].content); };
  EXPECT_EQ(value(1).value.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value(1).value.data, (std::vector<BYTE>{42, 0, 0, 0}));
  EXPECT_EQ(value(2).value.data, (std::vector<BYTE>{42, 0, 0, 0}));
  EXPECT_EQ(value(3).value.type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(value(3).value.data, (std::vector<BYTE>{0x00, 0xFF}));
  EXPECT_EQ(value(4).value.type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(value(4).value.data, (std::vector<BYTE>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
  EXPECT_EQ(Key(cls.body, 5).flag, KeyFlag::Delete);
  EXPECT_EQ(Key(script.roots[3].body, 0).defaultValue->data, Utf16z(u"%"));
}

TEST(RegistryScriptLanguage, RefusesMalformedScriptsWithTheirLine) {
  struct Case {
    std::u16string text;
    int line;
    std::string says;
  } cases[] = {
      {u"HKCR {\n  Key {\n }", 3, "ends before its closing"},
      {u"HKCR { }\n}", 2, "expected a root key"},
      {u"Nowhere { }", 1, "expected a root key"},
      {u"HKCR Key", 1, "expected '{'"},
      {u"HKCR { Key = s 'open }", 1, "unterminated"},
      {u"HKCR { Key = b 'abc' }", 1, "even number"},
      {u"HKCR { Key = b 'zz' }", 1, "not a hexadecimal digit"},
      {u"HKCR { Key = d '4294967296' }", 1, "does not fit"},
      {u"HKCR { Key = d '12abc' }", 1, "not a number"},
      {u"HKCR { Key = x 'data' }", 1, "unknown value type"},
      {u"HKCR { Key = s data }", 1, "single quotes"},
      {u"HKCR { val = s 'x' }", 1, "expected a value name"},
      {u"HKCR { val Name s 'x' }", 1, "expected '='"},
      {u"HKCR { '' }", 1, "empty key name"},
      {u"HKCR { 'a\\..\\b' }", 1, "backslash"},
      {u"HKCR {\n Key = s '%UNKNOWN%' }", 2, "no replacement for %UNKNOWN%"},
      {u"HKCR { Key = s '100%' }", 1, "without its closing"},
      {std::u16string(u"HKCR { Ke\0y }", 13), 1, "NUL"},
      {u"HKCR { NoRemove }", 1, "expected a key name"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    RegistryScript script;
    ScriptProblem problem;
    EXPECT_EQ(RegistryScript::Parse(c.text, {}, &script, &problem), DISP_E_EXCEPTION);
    EXPECT_EQ(problem.line, c.line);
    EXPECT_NE(problem.message.find(c.says), std::string::npos) << problem.message;
    EXPECT_TRUE(script.roots.empty());
  }
}

TEST(RegistryScriptLanguage, RefusesDeepNestingAndHugeValues) {
  std::u16string deep = u"HKCR ";
  for (int i = 0; i < 100000; ++i) deep += u"{ k ";
  RegistryScript script;
  ScriptProblem problem;
  EXPECT_EQ(RegistryScript::Parse(deep, {}, &script, &problem), DISP_E_EXCEPTION);
  EXPECT_NE(problem.message.find("deeper than 512"), std::string::npos) << problem.message;

  const std::u16string huge =
      u"HKCR { Key = b '" + std::u16string(2 * 1024 * 1024 + 2, u'0') + u"' }";
  EXPECT_EQ(RegistryScript::Parse(huge, {}, &script, &problem), DISP_E_EXCEPTION);
  EXPECT_NE(problem.message.find("larger than 1 MiB"), std::string::npos);
}

TEST(RegistryScriptRun, AScriptThatDoesNotReadWritesNothing) {
  TemporaryRegistry registry;
  EXPECT_EQ(RunScript(u"HKCR { First = s 'x' Second = b '0' }", ScriptMode::Register),
            DISP_E_EXCEPTION);
  EXPECT_EQ(registry.Text(), "");
}

TEST(RegistryScriptRun, RegistersAndUnregistersByTheFlags) {
  TemporaryRegistry registry;
  const std::u16string script =
      u"HKCR { NoRemove Shared { ForceRemove Owned = s 'mine' { Inner { val Kept = d '7' } }\n"
      u"                            Plain { val V = s 'v' } Delete Stale } }";
  // What ForceRemove and Delete replace or remove must be there before.
  {
    CRegKey stale, old;
    ASSERT_EQ(stale.Create(HKEY_CLASSES_ROOT, u"Shared\\Stale\\Deep"), ERROR_SUCCESS);
    ASSERT_EQ(old.Create(HKEY_CLASSES_ROOT, u"Shared\\Owned\\Leftover"), ERROR_SUCCESS);
  }
  ASSERT_EQ(RunScript(script, ScriptMode::Register), S_OK);
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, u"Shared\\Owned", nullptr), u"mine");
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, u"Shared\\Plain", u"V"), u"v");
  EXPECT_FALSE(KeyExists(u"Shared\\Owned\\Leftover")) << "ForceRemove starts afresh";
  EXPECT_FALSE(KeyExists(u"Shared\\Stale")) << "Delete deletes";
  DWORD number = 0, size = 4;
  CRegKey inner;
  ASSERT_EQ(inner.Open(HKEY_CLASSES_ROOT, u"Shared\\Owned\\Inner"), ERROR_SUCCESS);
  ASSERT_EQ(
      RegQueryValueExW(inner, u"Kept", nullptr, nullptr, reinterpret_cast<BYTE *>(&number), &size),
      0);
  EXPECT_EQ(number, 7u);
  inner.Close();

  // Something another server put below a plain key keeps that key; below a ForceRemove key
  // it goes with it.
  {
    CRegKey foreign, owned;
    ASSERT_EQ(foreign.Create(HKEY_CLASSES_ROOT, u"Shared\\Plain\\Foreign"), ERROR_SUCCESS);
    ASSERT_EQ(owned.Create(HKEY_CLASSES_ROOT, u"Shared\\Owned\\Extra"), ERROR_SUCCESS);
  }
  ASSERT_EQ(RunScript(script, ScriptMode::Unregister), S_OK);
  EXPECT_TRUE(KeyExists(u"Shared")) << "NoRemove";
  EXPECT_FALSE(KeyExists(u"Shared\\Owned"));
  EXPECT_TRUE(KeyExists(u"Shared\\Plain\\Foreign"));
  EXPECT_FALSE(GetString(HKEY_CLASSES_ROOT, u"Shared\\Plain", u"V")) << "its value went";
  // Unregistering what is not there is no error.
  EXPECT_EQ(RunScript(script, ScriptMode::Unregister), S_OK);
}

TEST(RegistryScriptRun, RootsThatAreNotKeptAndADamagedRegistryFail) {
  TemporaryRegistry registry;
  EXPECT_EQ(RunScript(u"HKPD { Key }", ScriptMode::Register),
            HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_EQ(RunScript(u"HKDD { Key }", ScriptMode::Unregister),
            HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED));
  registry.Write("not a registry");
  EXPECT_EQ(RunScript(u"HKCR { Key }", ScriptMode::Register), HRESULT_FROM_WIN32(ERROR_BADDB));
  // A registry that cannot be read is no "key not there": unregistering fails as well.
  EXPECT_EQ(RunScript(u"HKCR { Key }", ScriptMode::Unregister), HRESULT_FROM_WIN32(ERROR_BADDB));
  EXPECT_EQ(registry.Text(), "not a registry");
}

} // namespace
