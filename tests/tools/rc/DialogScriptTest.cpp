#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tools/rc/ResourceScript.h"

namespace {

using zrq::rc::ReadResourceScript;

class DialogScriptTest : public ::testing::Test {
protected:
  // Reads script text through a file, as zrq-rc does; the error, if any, goes to error.
  std::optional<zrq::rc::ResourceScript> Read(const std::string &text) {
    const auto path =
        std::filesystem::temp_directory_path() /
        ("zrq-rc-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".rc");
    std::ofstream(path) << text;
    auto script = ReadResourceScript(path, &error);
    std::filesystem::remove(path);
    const size_t colon = error.find(".rc:");
    if (colon != std::string::npos) error = error.substr(colon + 4); // "line: message"
    return script;
  }
  std::vector<unsigned char> Bytes(const std::string &text) {
    auto script = Read(text);
    EXPECT_TRUE(script) << error;
    if (!script || script->resources.size() != 1) return {};
    EXPECT_EQ(script->resources[0].type.id, 5) << "RT_DIALOG";
    return script->resources[0].bytes;
  }
  static uint32_t Dword(const std::vector<unsigned char> &b, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, &b.at(at + 3) - 3, 4);
    return v;
  }
  std::string error;
};

TEST_F(DialogScriptTest, ADialogCompilesIntoTheExtendedTemplateLayout) {
  const auto bytes = Bytes("1 DIALOGEX 1, 2, 30, 40\n"
                           "STYLE WS_CHILD\n"
                           "BEGIN\n"
                           "  PUSHBUTTON \"Go\", 7, 3, 4, 5, 6\n"
                           "END\n");
  const std::vector<unsigned char> expected = {
      1,    0,    0xFF, 0xFF, 0, 0, 0,  0,           // version, signature, help id
      0,    0,    0,    0,    0, 0, 0,  0x40,        // extended style, style WS_CHILD
      1,    0,    1,    0,    2, 0, 30, 0,    40, 0, // one item; x, y, cx, cy
      0,    0,    0,    0,    0, 0,                  // no menu, the dialog class, no caption
      0,    0,    0,    0,    0, 0, 0,  0,           // the item, at 32: help id, extended style
      0,    0,    1,    0x50,              // WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
      3,    0,    4,    0,    5, 0, 6,  0, // x, y, cx, cy
      7,    0,    0,    0,                 // id
      0xFF, 0xFF, 0x80, 0,                 // the Button class by its ordinal
      'G',  0,    'o',  0,    0, 0,        // text
      0,    0};                            // no creation data
  EXPECT_EQ(bytes, expected);
}

TEST_F(DialogScriptTest, StatementsAddTheirDefaultStyles) {
  const auto bytes =
      Bytes("#include <winuser.h>\n"
            "#define IDC_VALUE 3017\n"
            "7 DIALOGEX 0, 0, 100, 50\n"
            "CAPTION \"T\"\n"
            "FONT 8, \"MS Sans Serif\", 0, 0, 0x0\n"
            "BEGIN\n"
            "  LTEXT \"L\", IDC_STATIC, 0, 0, 10, 8\n"
            "  EDITTEXT IDC_VALUE, 0, 0, 10, 8, ES_RIGHT | NOT WS_TABSTOP, WS_EX_CLIENTEDGE\n"
            "  CONTROL \"\", 5, \"msctls_trackbar32\", TBS_BOTH | TBS_NOTICKS | WS_TABSTOP, -1, 0, "
            "10, 8\n"
            "END\n");
  ASSERT_GT(bytes.size(), 40u);
  EXPECT_EQ(Dword(bytes, 12),
            static_cast<uint32_t>(WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT))
      << "without STYLE a dialog is a pop-up; CAPTION and FONT add theirs";
  // Header 26 bytes + menu, class (2 + 2) + caption "T" (4) + font 8, 0, 0, 0 (6) +
  // "MS Sans Serif" (28) = 68: the first item starts there.
  EXPECT_EQ(Dword(bytes, 68 + 8),
            static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT));
  EXPECT_EQ(Dword(bytes, 68 + 20), 0xFFFFFFFFu) << "IDC_STATIC is -1";
  // The label's item: 24 fixed + class 4 + "L" 4 + extra 2 = 34, aligned to 104.
  EXPECT_EQ(Dword(bytes, 104 + 4), static_cast<uint32_t>(WS_EX_CLIENTEDGE));
  EXPECT_EQ(Dword(bytes, 104 + 8),
            static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_RIGHT))
      << "NOT takes WS_TABSTOP from the defaults";
  EXPECT_EQ(Dword(bytes, 104 + 20), 3017u);
  // The edit's item: 24 fixed + class 4 + empty text 2 + extra 2 = 32, so the trackbar's starts
  // at 136. It names its class as a string, and its x is negative.
  const size_t trackbar = 136;
  EXPECT_EQ(Dword(bytes, trackbar + 8),
            static_cast<uint32_t>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_BOTH | TBS_NOTICKS));
  EXPECT_EQ(bytes[trackbar + 12], 0xFF);
  EXPECT_EQ(bytes[trackbar + 13], 0xFF);
  EXPECT_EQ(bytes[trackbar + 24], 'm');
}

TEST_F(DialogScriptTest, MistakesAreReportedWithTheirLines) {
  const struct {
    const char *script;
    const char *error;
  } cases[] = {
      {"1 DIALOGEX 0, 0, 10\nBEGIN\nEND\n", "2: DIALOGEX needs x, y, width and height"},
      {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", NOPE, 0, 0, 1, 1\nEND\n",
       "3: unknown name NOPE"},
      {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"a\", 1, 0, 0, 1\nEND\n",
       "4: LTEXT needs x, y, width and height"},
      {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  EDITTEXT 1, 0, 40000, 1, 1\nEND\n",
       "3: coordinate 40000 is outside -32768..32767"},
      {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LISTVIEW 1, 0, 0, 1, 1\nEND\n",
       "3: unknown control statement LISTVIEW"},
      {"1 DIALOGEX 0, 0, 10, 10\nSTYLE NOT WS_CHILD\nBEGIN\nEND\n",
       "2: NOT is only allowed in a control's style"},
      {"1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"a\", 1, 0, 0, 1, 1\n",
       "4: DIALOGEX without END"},
      {"1 DIALOGEX 0, 0, 10, 10\nFONT 8\nBEGIN\nEND\n", "3: FONT needs a size and a typeface"},
      {"1 DIALOG 0, 0, 10, 10\nBEGIN\nEND\n",
       "1: DIALOG templates are not supported; write DIALOGEX"},
  };
  for (const auto &c : cases) {
    error.clear();
    EXPECT_FALSE(Read(c.script)) << c.script;
    EXPECT_EQ(error, c.error) << c.script;
  }
}

} // namespace
