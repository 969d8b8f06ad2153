// zrq-rc's script statements besides dialogs: #define and #include, LANGUAGE, STRINGTABLE and
// resources read from files, and a clear error with its line for what it does not take.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tools/rc/ResourceScript.h"

namespace {

using zrq::rc::ReadResourceScript;
using zrq::rc::ResourceScript;

class ResourceScriptTest : public ::testing::Test {
protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() /
             ("zrq-rc-script-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder / "data");
    std::ofstream(folder / "data" / "blob.bin", std::ios::binary) << std::string("ab\0c", 4);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // Reads the script from a file in the folder; the error, if any, as "line: message".
  std::optional<ResourceScript> Read(const std::string &text) {
    std::ofstream(folder / "script.rc") << text;
    error.clear();
    auto script = ReadResourceScript(folder / "script.rc", &error);
    const size_t colon = error.find(".rc:");
    if (colon != std::string::npos) error = error.substr(colon + 4);
    return script;
  }

  std::filesystem::path folder;
  std::string error;
};

TEST_F(ResourceScriptTest, EveryStatementFormIsRead) {
  const auto script = Read("#include <windows.h>\n"
                           "#define IDS_HELLO 101 // a comment\n"
                           "#define IDR_BLOB 0x20\n"
                           "/* a block\n comment */\n"
                           "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n"
                           "STRINGTABLE\n"
                           "BEGIN\n"
                           "  IDS_HELLO, \"Hello \"\"you\"\"\\n\"\n"
                           "  102 \"caf\xC3\xA9 \\x263A\"\n"
                           "END\n"
                           "STRINGTABLE LANGUAGE 0, 0 { 103, \"neutral\" }\n"
                           "IDR_BLOB RCDATA \"data/blob.bin\"\n"
                           "blob shader \"data/blob.bin\"\n"
                           "7 \"Custom\" \"data/blob.bin\"\n"
                           "8 300 \"data/blob.bin\"\n"
                           "9 MENU \"data/blob.bin\"\n");
  ASSERT_TRUE(script) << error;
  ASSERT_EQ(script->strings.size(), 3u);
  EXPECT_EQ(script->strings.at(101),
            std::make_pair(uint16_t{1033}, std::u16string(u"Hello \"you\"\n")));
  EXPECT_EQ(script->strings.at(102).second, u"caf\u00E9 \u263A");
  EXPECT_EQ(script->strings.at(103), std::make_pair(uint16_t{0}, std::u16string(u"neutral")));
  ASSERT_EQ(script->resources.size(), 5u);
  const std::vector<unsigned char> blob = {'a', 'b', 0, 'c'};
  for (const auto &resource : script->resources) EXPECT_EQ(resource.bytes, blob);
  EXPECT_EQ(script->resources[0].name.id, 0x20);
  EXPECT_EQ(script->resources[0].type.id, 10);        // RT_RCDATA
  EXPECT_EQ(script->resources[1].name.name, u"BLOB"); // names and types are upper-cased
  EXPECT_EQ(script->resources[1].type.name, u"SHADER");
  EXPECT_EQ(script->resources[2].type.name, u"CUSTOM");
  EXPECT_EQ(script->resources[3].type.id, 300);
  EXPECT_EQ(script->resources[4].type.id, 4); // RT_MENU, from its file
}

TEST_F(ResourceScriptTest, MistakesAreReportedWithTheirLines) {
  const struct {
    const char *script;
    const char *error;
  } cases[] = {
      {"#define X\n", "1: #define needs a name and a number"},
      {"\n#define X twelve\n", "2: #define value is not a number"},
      {"#pragma once\n", "1: unsupported directive #pragma"},
      {"LANGUAGE 9\n1 RCDATA \"data/blob.bin\"\n", "1: LANGUAGE needs two numbers"},
      {"LANGUAGE 2000, 1\n", "1: language out of range"},
      {"STRINGTABLE\n1, \"a\"\n", "2: STRINGTABLE needs BEGIN"},
      {"STRINGTABLE\nBEGIN\n  1, \"a\"\n", "4: STRINGTABLE without END"},
      {"STRINGTABLE\nBEGIN\n  1, \"\"\nEND\n", "3: string 1 is empty"},
      {"STRINGTABLE\nBEGIN\n  1, \"a\"\n  1, \"b\"\nEND\n", "4: string 1 is defined twice"},
      {"STRINGTABLE\nBEGIN\n  70000, \"a\"\nEND\n", "3: id 70000 is above 65535"},
      {"1 MENU\nBEGIN\nEND\n", "2: MENU must be given as a file"},
      {"1 RCDATA \"data/missing.bin\"\n", "1: cannot read "},
      {"1 RCDATA \"data\"\n", "1: cannot read "},
      {"1 RCDATA \"data/blob.bin\"\n1 RCDATA \"data/blob.bin\"\n", "2: resource defined twice"},
      {"1 RCDATA 5\n", "1: expected the resource's file name"},
      {"1 \"\" \"data/blob.bin\"\n", "1: empty type name"},
      {", 1\n", "1: expected a statement"},
  };
  for (const auto &c : cases) {
    EXPECT_FALSE(Read(c.script)) << c.script;
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.script;
  }
}

} // namespace
