// The .reg text form: what the writer writes reads back to the same registry, and every kind
// of damage is reported with its line instead of being half read.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"

namespace zrq::registry {
namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> values) {
  std::vector<BYTE> out;
  for (int v : values) out.push_back(static_cast<BYTE>(v));
  return out;
}

std::vector<BYTE> Text(std::u16string_view text, bool terminated = true) {
  std::vector<BYTE> out;
  for (char16_t c : text)
    out.push_back(static_cast<BYTE>(c)), out.push_back(static_cast<BYTE>(c >> 8));
  if (terminated) out.push_back(0), out.push_back(0);
  return out;
}

RegistryKey &Make(RegistryTree &tree, Root root, std::initializer_list<std::u16string_view> names) {
  RegistryKey *key = &tree.RootKey(root);
  bool created = false;
  for (std::u16string_view name : names) key = &key->AddChild(name, &created);
  return *key;
}

RegistryTree Read(const std::string &text, RegFileProblem *problem = nullptr, bool *ok = nullptr) {
  std::vector<RegFileChange> changes;
  RegFileProblem ignored;
  const bool read = ReadRegFile(text, EndMarker::Required, &changes, problem ? problem : &ignored);
  if (ok) *ok = read;
  RegistryTree tree;
  ApplyRegFileChanges(changes, &tree);
  return tree;
}

// A registry with a value of every kind the writer has a form for, and names that need care.
RegistryTree Sample() {
  RegistryTree tree;
  RegistryKey &clsid =
      Make(tree, Root::ClassesRoot, {u"CLSID", u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}"});
  clsid.SetValue(u"", REG_SZ, Text(u"Effect \"Class\" C:\\path"));
  clsid.SetValue(u"Quote\"And\\Slash", REG_SZ, Text(u"é ü 😀"));
  clsid.SetValue(u"Number", REG_DWORD, Bytes({0x2A, 0, 0, 0x80}));
  clsid.SetValue(u"Short dword", REG_DWORD, Bytes({1, 2}));
  clsid.SetValue(u"Wide", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  clsid.SetValue(u"Blob", REG_BINARY, std::vector<BYTE>(100, 0xAB));
  clsid.SetValue(u"Nothing", REG_BINARY, {});
  clsid.SetValue(u"Multi", REG_MULTI_SZ, Text(std::u16string(u"a\0b\0", 4)));
  clsid.SetValue(u"Expand", REG_EXPAND_SZ, Text(u"%HOME%/x"));
  clsid.SetValue(u"Unterminated", REG_SZ, Text(u"abc", false));
  clsid.SetValue(u"Line break", REG_SZ, Text(u"one\ntwo"));
  clsid.SetValue(u"Odd", REG_SZ, Bytes({0x41}));
  clsid.SetValue(u"Custom", 0x1234, Bytes({9}));
  Make(tree, Root::ClassesRoot,
       {u"CLSID", u"{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", u"Programmable"});
  Make(tree, Root::ClassesRoot, {u"Strange [name]", u".."});
  Make(tree, Root::CurrentUser, {u"Software"}).SetValue(u"", REG_SZ, Text(u""));
  tree.RootKey(Root::LocalMachine).SetValue(u"at the root", REG_DWORD, Bytes({1, 0, 0, 0}));
  return tree;
}

TEST(RegFile, WhatIsWrittenReadsBackExactly) {
  const RegistryTree tree = Sample();
  const std::string text = WriteRegFile(tree);
  bool ok = false;
  RegFileProblem problem;
  const RegistryTree back = Read(text, &problem, &ok);
  ASSERT_TRUE(ok) << problem.line << ": " << problem.message << "\n" << text;
  EXPECT_TRUE(back == tree) << text;
  EXPECT_EQ(WriteRegFile(back), text);
}

TEST(RegFile, TheTextIsTheFamiliarForm) {
  RegistryTree tree;
  RegistryKey &key = Make(tree, Root::ClassesRoot, {u"AppID", u"ZRQ.DLL"});
  key.SetValue(u"AppID", REG_SZ, Text(u"{396CB57E-A671-442b-A94A-83BB46261AAD}"));
  key.SetValue(u"", REG_SZ, Text(u"x"));
  key.SetValue(u"n", REG_DWORD, Bytes({0x2A, 0, 0, 0}));
  key.SetValue(u"m", REG_MULTI_SZ, Text(std::u16string(u"a\0", 2)));
  EXPECT_EQ(WriteRegFile(tree), "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CLASSES_ROOT\\AppID]\n\n"
                                "[HKEY_CLASSES_ROOT\\AppID\\ZRQ.DLL]\n"
                                "\"AppID\"=\"{396CB57E-A671-442b-A94A-83BB46261AAD}\"\n"
                                "@=\"x\"\n"
                                "\"n\"=dword:0000002a\n"
                                "\"m\"=hex(7):61,00,00,00,00,00\n\n"
                                "; end of file\n");
}

TEST(RegFile, ReadsWhatTheWindowsEditorWrites) {
  // UTF-16 with its byte-order mark, CRLF line ends, a hex value over several lines,
  // comments and a key that only deletes.
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
      u"[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      u"\"Path\"=hex(2):25,00,48,00,\\\r\n  4f,00,4d,00,\\\r\n  45,00,25,00,00,00\r\n"
      u"@=\"default\"\r\n\r\n[-HKEY_CURRENT_USER\\Software\\Gone]\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += static_cast<char>(c & 0xFF), bytes += static_cast<char>(c >> 8);
  std::vector<RegFileChange> changes;
  RegFileProblem problem;
  ASSERT_TRUE(ReadRegFile(bytes, EndMarker::Optional, &changes, &problem))
      << problem.line << ": " << problem.message;
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[1].type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(changes[1].data, Text(u"%HOME%"));
  EXPECT_EQ(changes[3].kind, RegFileChange::Kind::DeleteKey);
  EXPECT_EQ(changes[3].path.names, (std::vector<std::u16string>{u"Software", u"Gone"}));
}

TEST(RegFile, DamageIsReportedWithItsLine) {
  using namespace std::string_literals;
  const std::string header = "Windows Registry Editor Version 5.00\n\n";
  const std::string end = "; end of file\n";
  struct Case {
    std::string text;
    int line;
    std::string says;
  } cases[] = {
      {"REGEDIT4\n\n[HKEY_CLASSES_ROOT\\A]\n" + end, 1, "not a registry file"},
      {"", 1, "not a registry file"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"open\n" + end, 4, "unterminated string"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:0,1\n" + end, 4, "pairs of hexadecimal digits"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:0g\n" + end, 4, "pairs of hexadecimal digits"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=dword:123456789\n" + end, 4, "one to eight"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=word:1\n" + end, 4, "unknown kind"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"a\\q\"\n" + end, 4, "unknown escape"},
      {header + "[HKEY_CLASSES_ROOT\\A\n" + end, 3, "must end in ']'"},
      {header + "[HKEY_NOWHERE\\A]\n" + end, 3, "unknown root"},
      {header + "[HKEY_CLASSES_ROOT\\A\\\\B]\n" + end, 3, "empty key name"},
      {header + "[-HKEY_CLASSES_ROOT]\n" + end, 3, "root key cannot be deleted"},
      {header + "\"x\"=\"no key\"\n" + end, 3, "outside a key"},
      {header + "[HKEY_CLASSES_ROOT\\A]\nnonsense\n" + end, 4, "expected a key"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:01,\\\n" + end, 4, "ends inside a value"},
      {header + "[HKEY_CLASSES_ROOT\\A\0B]\n"s + end, 3, "NUL"},
      {header + "[HKEY_CLASSES_ROOT\\\xC3\x28]\n" + end, 3, "not UTF-8"},
      {header + end + "[HKEY_CLASSES_ROOT\\A]\n", 4, "after the end-of-file line"},
      {header + "[HKEY_CLASSES_ROOT\\A]\n", 3, "ends early"},
      {"\xFF\xFE" + std::string("W\0", 2) + "x", 1, "odd number of bytes"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<RegFileChange> changes;
    RegFileProblem problem;
    EXPECT_FALSE(ReadRegFile(c.text, EndMarker::Required, &changes, &problem));
    EXPECT_EQ(problem.line, c.line);
    EXPECT_NE(problem.message.find(c.says), std::string::npos) << problem.message;
    EXPECT_TRUE(changes.empty());
  }
}

TEST(RegFile, DeepKeysAndHugeValuesAreRefused) {
  std::string deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT";
  for (int i = 0; i < 100000; ++i) deep += "\\k";
  deep += "]\n; end of file\n";
  std::vector<RegFileChange> changes;
  RegFileProblem problem;
  EXPECT_FALSE(ReadRegFile(deep, EndMarker::Required, &changes, &problem));
  EXPECT_NE(problem.message.find("deeper than 512"), std::string::npos);

  std::string huge = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:00";
  for (int i = 0; i < 1024 * 1024; ++i) huge += ",00";
  huge += "\n; end of file\n";
  EXPECT_FALSE(ReadRegFile(huge, EndMarker::Required, &changes, &problem));
  EXPECT_NE(problem.message.find("larger than 1 MiB"), std::string::npos);
}

TEST(RegFile, AFileCutShortAnywhereIsReportedNotHalfRead) {
  const std::string text = WriteRegFile(Sample());
  for (size_t length = 0; length < text.size(); ++length) {
    std::vector<RegFileChange> changes;
    RegFileProblem problem;
    ASSERT_FALSE(ReadRegFile(text.substr(0, length), EndMarker::Required, &changes, &problem))
        << "read a file cut to " << length << " of " << text.size() << " bytes";
    ASSERT_TRUE(changes.empty());
  }
}

} // namespace
} // namespace zrq::registry
