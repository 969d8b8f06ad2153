// zrq-regsvr and zrq-reg as a user runs them: their lines, their exit codes, and the registry
// they leave.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/registry/RegistryTestSupport.h"

namespace {

struct Outcome {
  int code = -1;
  std::string out, err;
};

std::string Binary(const std::string &name) {
  const char *dir = std::getenv("ZRQ_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/bin/" + name;
}

std::string Read(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Quotes for the shell; the arguments here hold no single quotes.
std::string Quoted(const std::string &text) { return "'" + text + "'"; }

class RegistryTools : public ::testing::Test {
protected:
  Outcome Run(const std::string &tool, const std::string &arguments) {
    const std::string out = registry.Folder() + "/out.txt", err = registry.Folder() + "/err.txt";
    const int status =
        std::system((Quoted(Binary(tool)) + " " + arguments + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(out), Read(err)};
  }
  std::string Module() const { return Quoted(Binary("ZRQDistortion2D9.so")); }

  TemporaryRegistry registry;
};

TEST_F(RegistryTools, RegsvrSaysWhatHappenedInOneLine) {
  Outcome o = Run("zrq-regsvr", Module());
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "DllRegisterServer in " + Binary("ZRQDistortion2D9.so") + " succeeded.\n");
  EXPECT_TRUE(
      GetString(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", nullptr));

  o = Run("zrq-regsvr", "/u /s " + Module());
  EXPECT_EQ(o.code, 0);
  EXPECT_EQ(o.out + o.err, "") << "/s says nothing";
  EXPECT_FALSE(
      GetString(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", nullptr));

  o = Run("zrq-regsvr", "/nonexistent/module.so");
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("cannot load /nonexistent/module.so"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("0x8007007E (The specified module could not be found.)"), std::string::npos)
      << o.err;
  o = Run("zrq-regsvr", Quoted(Binary("../lib/libzrqregistry.so")));
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("has no entry point DllRegisterServer"), std::string::npos) << o.err;

  registry.Write("not a registry\n");
  o = Run("zrq-regsvr", Module());
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("failed: 0x800703F1 (The configuration registry database is corrupt.): " +
                       registry.File() + ":1: not a registry file"),
            std::string::npos)
      << o.err;
  EXPECT_EQ(registry.Text(), "not a registry\n");
}

TEST_F(RegistryTools, RegsvrUsage) {
  EXPECT_EQ(Run("zrq-regsvr", "--help").code, 0);
  Outcome o = Run("zrq-regsvr", "");
  EXPECT_EQ(o.code, 2);
  EXPECT_NE(o.err.find("which module?"), std::string::npos);
  o = Run("zrq-regsvr", "--frobnicate x.so");
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.err, "zrq-regsvr: unknown option '--frobnicate' (zrq-regsvr --help for more)\n");
  EXPECT_EQ(Run("zrq-regsvr", "a.so b.so").code, 2);
  // The Windows spellings: /? asks for help, and the switches in either case.
  o = Run("zrq-regsvr", "'/?'");
  EXPECT_EQ(o.code, 0);
  EXPECT_NE(o.out.find("DllUnregisterServer"), std::string::npos) << o.out;
  o = Run("zrq-regsvr", "/S " + Module());
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out + o.err, "");
  EXPECT_EQ(Run("zrq-regsvr", "/U -s " + Module()).code, 0);
  EXPECT_FALSE(
      GetString(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", nullptr));
}

TEST_F(RegistryTools, QueryShowsKeysAndValues) {
  ASSERT_EQ(Run("zrq-regsvr", "/s " + Module()).code, 0);
  Outcome o = Run("zrq-reg", "query 'HKCR\\ZRQDistortion2D.ZRQDistortion2DEffect9'");
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out, "\nHKEY_CLASSES_ROOT\\ZRQDistortion2D.ZRQDistortion2DEffect9\n"
                   "    (Default)    REG_SZ    ZRQDistortion2DEffect Class\n\n"
                   "HKEY_CLASSES_ROOT\\ZRQDistortion2D.ZRQDistortion2DEffect9\\CLSID\n"
                   "HKEY_CLASSES_ROOT\\ZRQDistortion2D.ZRQDistortion2DEffect9\\CurVer\n");
  o = Run("zrq-reg", "query 'hkey_classes_root\\ZRQDistortion2D.ZRQDistortion2DEffect9' /s");
  EXPECT_NE(o.out.find("\nHKEY_CLASSES_ROOT\\ZRQDistortion2D.ZRQDistortion2DEffect9\\CurVer\n"
                       "    (Default)    REG_SZ    ZRQDistortion2D.ZRQDistortion2DEffect9.1\n"),
            std::string::npos)
      << o.out;

  o = Run("zrq-reg", "query 'HKCR\\No\\Such\\Key'");
  EXPECT_EQ(o.code, 1);
  EXPECT_EQ(o.err, "zrq-reg: cannot open HKEY_CLASSES_ROOT\\No\\Such\\Key: 0x80070002 (The system "
                   "cannot find the "
                   "file specified.)\n");
  EXPECT_EQ(Run("zrq-reg", "query 'HKXX\\Key'").code, 2);
  EXPECT_EQ(Run("zrq-reg", "frobnicate HKCR").code, 2);
  EXPECT_EQ(Run("zrq-reg", "").code, 2);
  // Each switch belongs to its command, and is written /S or /s.
  EXPECT_EQ(Run("zrq-reg", "query 'HKCR\\CLSID' /S").code, 0);
  o = Run("zrq-reg", "export 'HKCR\\CLSID' out.reg /s");
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(o.err, "zrq-reg: export takes a key and a file (zrq-reg --help for more)\n");
  EXPECT_EQ(Run("zrq-reg", "delete 'HKCR\\CLSID' /v a /ve").code, 2);
  EXPECT_EQ(Run("zrq-reg", "query 'HKCR\\CLSID' /v a").code, 2);
}

TEST_F(RegistryTools, ExportDeleteAndImportRepairTheRegistry) {
  ASSERT_EQ(Run("zrq-regsvr", "/s " + Module()).code, 0);
  const std::string before = registry.Text();
  const std::string saved = registry.Folder() + "/clsid.reg";
  Outcome o = Run("zrq-reg", "export 'HKCR\\CLSID' " + Quoted(saved));
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(
      Read(saved).rfind("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\CLSID]\n", 0),
      0u);

  ASSERT_EQ(Run("zrq-reg", "delete 'HKCR\\CLSID'").code, 0);
  EXPECT_FALSE(
      GetString(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", nullptr));
  ASSERT_EQ(Run("zrq-reg", "import " + Quoted(saved)).code, 0);
  EXPECT_EQ(registry.Text(), before);

  ASSERT_EQ(Run("zrq-reg",
                "delete 'HKCR\\CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}\\InprocServer32' /v "
                "ThreadingModel")
                .code,
            0);
  EXPECT_FALSE(GetString(HKEY_CLASSES_ROOT,
                         u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}\\InprocServer32",
                         u"ThreadingModel"));
  ASSERT_EQ(Run("zrq-reg", "delete 'HKCR\\CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}' /ve").code,
            0);
  EXPECT_FALSE(
      GetString(HKEY_CLASSES_ROOT, u"CLSID\\{D5A89DF2-3764-4F0F-9D0E-A1B75B65278A}", nullptr));

  o = Run("zrq-reg", "delete HKCR");
  EXPECT_EQ(o.code, 2);
  EXPECT_NE(o.err.find("a root key cannot be deleted"), std::string::npos);

  // A file with a mistake changes nothing and says where the mistake is.
  std::ofstream(saved)
      << "Windows Registry Editor Version 5.00\n\n[-HKEY_CLASSES_ROOT\\CLSID]\n\"x\"=hex:1\n";
  const std::string kept = registry.Text();
  o = Run("zrq-reg", "import " + Quoted(saved));
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find(saved + ":4: a value outside a key"), std::string::npos) << o.err;
  EXPECT_EQ(registry.Text(), kept);
}

} // namespace
