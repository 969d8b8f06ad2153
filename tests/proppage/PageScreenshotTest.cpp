// zrq-page's pictures of the page in a few states, against reference pictures kept beside this
// file. The window layer draws deterministically, so the pixels must match exactly. With
// ZRQ_UPDATE_SCREENSHOTS=1 the references are rewritten from what the tool draws now.
#include <gtest/gtest.h>

#include "host/PngFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

fs::path SourceDir() { return fs::path(std::getenv("ZRQ_SOURCE_DIR")) / "tests" / "proppage"; }
fs::path BinaryDir() { return fs::path(std::getenv("ZRQ_BINARY_DIR")); }

struct Shot {
  const char *name;
  std::string arguments;
};

// zrq-page's exit status, with what it said.
int RunPageTool(const std::string &arguments, std::string *said) {
  const std::string command =
      (BinaryDir() / "bin" / "zrq-page").string() + " " + arguments + " 2>&1";
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) said->append(buffer);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PageScreenshots : public ::testing::TestWithParam<Shot> {};

TEST_P(PageScreenshots, MatchTheReferencePicture) {
  const Shot &shot = GetParam();
  const fs::path reference = SourceDir() / "screenshots" / (std::string(shot.name) + ".png");
  const fs::path drawn = BinaryDir() / "tests" / "proppage" / (std::string(shot.name) + ".png");
  std::string said;
  ASSERT_EQ(RunPageTool("--screenshot " + drawn.string() + " " + shot.arguments, &said), 0) << said;
  if (const char *update = std::getenv("ZRQ_UPDATE_SCREENSHOTS");
      update && std::strcmp(update, "1") == 0) {
    fs::copy_file(drawn, reference, fs::copy_options::overwrite_existing);
    GTEST_SKIP() << "rewrote " << reference;
  }
  Result<PngPicture> expected = ReadPngFile(reference.string());
  ASSERT_TRUE(expected.ok()) << expected.message();
  Result<PngPicture> actual = ReadPngFile(drawn.string());
  ASSERT_TRUE(actual.ok()) << actual.message();
  const Frame &want = expected.value().frame;
  const Frame &got = actual.value().frame;
  ASSERT_EQ(got.Size(), want.Size());
  size_t differing = 0;
  for (size_t i = 0; i < got.ByteCount(); i += 4)
    differing += std::memcmp(got.Data() + i, want.Data() + i, 3) != 0;
  EXPECT_EQ(differing, 0u) << "pixels differ from " << reference << "; the picture drawn is "
                           << drawn;
}

INSTANTIATE_TEST_SUITE_P(
    States, PageScreenshots,
    ::testing::Values(Shot{"new-effect", ""},
                      Shot{"color-shift-at-30", "--effect \"Color Shift Horizontal\" --time 0.3"},
                      Shot{"wave-on-a-key-frame", "--params " +
                                                      (SourceDir() / "wave-keys.xml").string() +
                                                      " --time 0.25"}),
    [](const ::testing::TestParamInfo<Shot> &info) {
      std::string name = info.param.name;
      for (char &c : name)
        if (c == '-') c = '_';
      return name;
    });

TEST(PageTool, SaysWhatIsWrongAndWritesNothing) {
  const fs::path drawn = BinaryDir() / "tests" / "proppage" / "refused.png";
  fs::remove(drawn);
  std::string said;
  EXPECT_EQ(RunPageTool("--effect wave", &said), 2);
  EXPECT_NE(said.find("--screenshot FILE.png is required"), std::string::npos) << said;
  said.clear();
  EXPECT_EQ(RunPageTool("--screenshot " + drawn.string() + " --time 1.5", &said), 2);
  EXPECT_NE(said.find("--time"), std::string::npos) << said;
  said.clear();
  EXPECT_EQ(RunPageTool("--screenshot " + drawn.string() + " --effect Ripple", &said), 1);
  EXPECT_NE(said.find("Panel Rotate (2010)"), std::string::npos)
      << "the choices are listed: " << said;
  said.clear();
  EXPECT_EQ(
      RunPageTool("--screenshot " + drawn.string() + " --params " + drawn.string() + ".xml", &said),
      1);
  EXPECT_FALSE(fs::exists(drawn));
}

} // namespace
