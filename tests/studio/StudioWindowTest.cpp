// zrq-studio in a window on a virtual display (xvfb-run), driven by its test mode with SDL
// events as a user's mouse and keyboard make them. After each step the effect's parameters are
// checked (printed by the studio, and read back from a saved project) and the window's picture
// compared with a reference kept beside this file. Everything the window shows is drawn by the
// window layer and the software path on the CPU, deterministically, so the pixels must match
// exactly. With ZRQ_UPDATE_SCREENSHOTS=1 the references are rewritten from what is drawn now.
#include <gtest/gtest.h>

#include "HostTestSupport.h"
#include "host/EffectParameterIds.h"
#include "host/PngFile.h"
#include "host/ProjectParameters.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path SourceDir() { return fs::path(std::getenv("ZRQ_SOURCE_DIR")) / "tests" / "studio"; }
fs::path BinaryDir() { return fs::path(std::getenv("ZRQ_BINARY_DIR")); }

// Where the window's parts lie (StudioLayout at 1280 x 800 around the 512 x 312 page).
constexpr int kEffectList[] = {120, 47};
constexpr int kWaveEntry[] = {60, 66};
constexpr int kEffectValueField[] = {400, 133};
constexpr int kAddButton[] = {193, 217};
constexpr int kApplyButton[] = {398, 339};
constexpr int kCancelButton[] = {316, 339};
constexpr int kHelpButton[] = {480, 339};
constexpr int kFileField[] = {280, 378};
constexpr int kOpenClipButton[] = {70, 407};
constexpr int kOpenProjectButton[] = {198, 407};
constexpr int kSaveProjectButton[] = {327, 407};
constexpr int kTimelineRow = 700;
// The timeline's track runs from x = 18 (time 0) to x = 1261 (time 1).
int TimelineX(double time) { return 18 + int(time * 1243.0 + 0.5); }

struct StudioRun {
  int exitCode = -1;
  std::vector<std::string> parameters; // the print steps' parameter lines
  std::vector<std::string> messages;   // and their message lines
  std::string said;                    // standard error
};

std::string Click(const int (&at)[2]) {
  return "click " + std::to_string(at[0]) + " " + std::to_string(at[1]) + "\n";
}

// Replaces a field's text as a user does: click into it, go to its end, rub out, type.
std::string TypeInto(const int (&at)[2], const std::string &text, int rubOut) {
  std::string steps = Click(at) + "key End\n";
  for (int i = 0; i < rubOut; ++i) steps += "key BackSpace\n";
  return steps + "type " + text + "\n";
}

std::string Drag(double from, double to) {
  return "drag " + std::to_string(TimelineX(from)) + " " + std::to_string(kTimelineRow) + " " +
         std::to_string(TimelineX(to)) + " " + std::to_string(kTimelineRow) + "\n";
}

StudioRun RunStudio(const ScratchFolder &folder, const std::string &script,
                    const std::string &arguments = "") {
  const std::string scriptFile = folder.File("steps.txt");
  WriteWholeFile(scriptFile, script);
  const std::string errFile = folder.File("stderr.txt");
  // SDL's X11 back end leaves allocations of the libraries it loads at run time behind, and
  // unloads them before the leak check, so their leaks cannot be told apart by a suppression:
  // under LeakSanitizer the window tests leave the leak check to the logic tests.
  const std::string command = "ASAN_OPTIONS=\"${ASAN_OPTIONS}:detect_leaks=0\" xvfb-run -a -s "
                              "'-screen 0 1280x800x24' " +
                              (BinaryDir() / "bin" / "zrq-studio").string() + " --script " +
                              scriptFile + " " + arguments + " 2>" + errFile;
  StudioRun run;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.rfind("message=", 0) == 0)
      run.messages.push_back(text.substr(8));
    else
      run.parameters.push_back(text);
  }
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.said = ReadWholeFile(errFile);
  return run;
}

// Compares a screenshot with its reference; rewrites the reference when asked to.
void ExpectLooksLikeReference(const std::string &drawn, const std::string &name) {
  const fs::path reference = SourceDir() / "screenshots" / (name + ".png");
  if (const char *update = std::getenv("ZRQ_UPDATE_SCREENSHOTS");
      update && std::strcmp(update, "1") == 0) {
    fs::copy_file(drawn, reference, fs::copy_options::overwrite_existing);
    return;
  }
  const Frame want = ReadPicture(reference.string());
  const Frame got = ReadPicture(drawn);
  ASSERT_EQ(got.Size(), want.Size()) << name;
  size_t differing = 0;
  for (size_t i = 0; i < got.ByteCount(); i += 4)
    differing += std::memcmp(got.Data() + i, want.Data() + i, 3) != 0;
  EXPECT_EQ(differing, 0u) << "pixels differ from " << reference << "; the window drawn is "
                           << drawn;
}

// Whether two window pictures agree inside a rectangle (x, y from the top-left).
bool SameInside(const Frame &a, const Frame &b, int x, int y, int width, int height) {
  for (int row = y; row < y + height; ++row)
    if (std::memcmp(a.ViewPixel(x, row), b.ViewPixel(x, row), 4 * size_t(width)) != 0) return false;
  return true;
}

class StudioWindow : public ::testing::Test {
protected:
  ScratchFolder folder;
};

TEST_F(StudioWindow, KeyFramingAWaveWithMouseAndKeyboard) {
  const std::string project = folder.File("wave project.xml");
  std::string script;
  auto shot = [&](const std::string &name) {
    script += "print\nscreenshot " + folder.File(name + ".png") + "\n";
  };
  // The effect list opens, and Wave is its first entry.
  script += Click(kEffectList) + Click(kWaveEntry);
  shot("wave-chosen");
  // A value typed into the field, then a key frame at the cursor (0) with it.
  script += TypeInto(kEffectValueField, "40", 3) + Click(kAddButton);
  shot("first-key-frame");
  // The cursor dragged to the middle moves the page's time; a second key frame there.
  script += Drag(0.0, 0.5) + TypeInto(kEffectValueField, "80", 2) + Click(kAddButton);
  shot("second-key-frame");
  // Scrubbing back to a quarter: the preview shows the value between the two key frames.
  script += Drag(0.5, 0.25);
  shot("scrubbed");
  // The project saved through the File field and the button.
  script += TypeInto(kFileField, project, 0) + Click(kSaveProjectButton) + "print\n";

  const StudioRun run = RunStudio(folder, script);
  ASSERT_EQ(run.exitCode, 0) << run.said;
  ASSERT_EQ(run.parameters.size(), 5u) << run.said;
  EXPECT_EQ(run.parameters[0], "effect=2001 value=50 time=0 cursor=0 keys=none");
  EXPECT_EQ(run.parameters[1], "effect=2001 value=40 time=0 cursor=0 keys=0:40");
  EXPECT_EQ(run.parameters[2].substr(0, 30), "effect=2001 value=80 time=0.5 ");
  EXPECT_NE(run.parameters[2].find("keys=0:40,0.5:80"), std::string::npos) << run.parameters[2];
  EXPECT_EQ(run.parameters[3].substr(0, 31), "effect=2001 value=80 time=0.25 ");
  EXPECT_NE(run.parameters[3].find("keys=0:40,0.5:80"), std::string::npos) << run.parameters[3];
  EXPECT_NE(run.messages[4].find("Saved the project"), std::string::npos) << run.messages[4];
  for (const char *name : {"wave-chosen", "first-key-frame", "second-key-frame", "scrubbed"}) {
    SCOPED_TRACE(name);
    ExpectLooksLikeReference(folder.File(std::string(name) + ".png"), name);
  }

  // What the project holds, read back through IEffectParameters.
  Result<ProjectParameters> loaded = ProjectParameters::Create(TestModule());
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  std::vector<std::string> warnings;
  ASSERT_TRUE(loaded.value().Load(project, &warnings).ok());
  EXPECT_EQ(loaded.value().EffectId().value(), 2001);
  Result<std::vector<double>> times = loaded.value().KeyFrameTimes();
  ASSERT_TRUE(times.ok());
  EXPECT_EQ(times.value(), (std::vector<double>{0.0, 0.5}));
  CComVariant value;
  ASSERT_EQ(loaded.value().Interface()->GetValueAtTime(0.25, kEffectValueParameter, &value), S_OK);
  ASSERT_EQ(value.ChangeType(VT_R8), S_OK);
  EXPECT_DOUBLE_EQ(value.dblVal, 60.0);
}

TEST_F(StudioWindow, ABrokenProjectOrAMissingFileIsToldAndChangesNothing) {
  const std::string broken = folder.File("broken.xml");
  WriteWholeFile(broken, "<ZrqRenderProject><ParameterSet><Parameter id=\"0\"");
  const std::string missing = folder.File("no such clip.png");
  std::string script = Click(kEffectList) + Click(kWaveEntry) +
                       TypeInto(kEffectValueField, "70", 3) + Click(kAddButton) + Drag(0.0, 0.3) +
                       "print\nscreenshot " + folder.File("before.png") + "\n";
  script += TypeInto(kFileField, broken, 0) + Click(kOpenProjectButton) + "print\n";
  script += Click(kFileField) + "key End\n";
  for (size_t i = 0; i < broken.size(); ++i) script += "key BackSpace\n";
  script += "type " + missing + "\n" + Click(kOpenClipButton) + "print\nscreenshot " +
            folder.File("after.png") + "\n";

  const StudioRun run = RunStudio(folder, script);
  ASSERT_EQ(run.exitCode, 0) << run.said;
  ASSERT_EQ(run.parameters.size(), 3u) << run.said;
  EXPECT_EQ(run.parameters[1], run.parameters[0]);
  EXPECT_EQ(run.parameters[2], run.parameters[0]);
  EXPECT_NE(run.messages[1].find("Project not opened"), std::string::npos) << run.messages[1];
  EXPECT_NE(run.messages[1].find("broken.xml"), std::string::npos) << run.messages[1];
  EXPECT_NE(run.messages[2].find("no such clip.png"), std::string::npos) << run.messages[2];
  // The page, the preview and the timeline are as they were; only the message line and the
  // File field changed.
  const Frame before = ReadPicture(folder.File("before.png"));
  const Frame after = ReadPicture(folder.File("after.png"));
  ASSERT_EQ(before.Size(), after.Size());
  EXPECT_TRUE(SameInside(before, after, 0, 0, 520, 330));   // the page and its buttons
  EXPECT_TRUE(SameInside(before, after, 528, 8, 744, 626)); // the preview
  // The timeline, inside the outline that shows where the keyboard goes.
  EXPECT_TRUE(SameInside(before, after, 9, 643, 1262, 130));
}

TEST_F(StudioWindow, AProjectOnTheCommandLineOpensWithItsKeyFrames) {
  const std::string project = folder.File("ramp.xml");
  const ToolRun saved = RunTool(
      {"--effect", "Mirror from Top", "--key", "0=0", "--key", "1=100", "--save-params", project});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  const StudioRun run = RunStudio(folder, "print\n", "--params '" + project + "'");
  ASSERT_EQ(run.exitCode, 0) << run.said;
  ASSERT_EQ(run.parameters.size(), 1u);
  EXPECT_EQ(run.parameters[0].substr(0, 11), "effect=2003");
  EXPECT_NE(run.parameters[0].find("keys=0:0,1:100"), std::string::npos) << run.parameters[0];
  EXPECT_NE(run.messages[0].find("Opened project"), std::string::npos) << run.messages[0];
}

TEST_F(StudioWindow, CancelGoesBackToTheLastApplyAndHelpIsTold) {
  const std::string script = Click(kEffectList) + Click(kWaveEntry) + Click(kAddButton) +
                             Click(kApplyButton) + "print\n" +
                             TypeInto(kEffectValueField, "30", 2) + Click(kAddButton) +
                             Drag(0.0, 0.7) + Click(kAddButton) + "print\n" + Click(kCancelButton) +
                             "print\n" + Click(kHelpButton) + "print\n";
  const StudioRun run = RunStudio(folder, script);
  ASSERT_EQ(run.exitCode, 0) << run.said;
  ASSERT_EQ(run.parameters.size(), 4u) << run.said;
  EXPECT_NE(run.parameters[0].find("effect=2001 value=50 time=0 "), std::string::npos)
      << run.parameters[0];
  EXPECT_NE(run.parameters[0].find("keys=0:50"), std::string::npos) << run.parameters[0];
  EXPECT_NE(run.parameters[1].find("keys=0:30,0.7:30"), std::string::npos) << run.parameters[1];
  // Cancel: the effect as Apply left it, the page showing it again.
  EXPECT_NE(run.parameters[2].find("effect=2001 value=50 "), std::string::npos)
      << run.parameters[2];
  EXPECT_NE(run.parameters[2].find("keys=0:50"), std::string::npos) << run.parameters[2];
  EXPECT_NE(run.messages[2].find("Cancelled"), std::string::npos) << run.messages[2];
  EXPECT_NE(run.messages[3].find("Help"), std::string::npos) << run.messages[3];
  EXPECT_EQ(run.parameters[3], run.parameters[2]);
}

TEST_F(StudioWindow, TheTimelineKeysStepThePictureAndSpacePlaysIt) {
  const std::string click =
      "click " + std::to_string(TimelineX(0.5)) + " " + std::to_string(kTimelineRow) + "\n";
  const std::string nearEnd =
      "click " + std::to_string(TimelineX(0.95)) + " " + std::to_string(kTimelineRow) + "\n";
  const StudioRun run =
      RunStudio(folder, click + "key Right\nprint\nkey Left\nkey Left\nprint\nkey End\nprint\n" +
                            "key Home\nprint\n" + nearEnd + "key Space\nprint\n");
  ASSERT_EQ(run.exitCode, 0) << run.said;
  ASSERT_EQ(run.parameters.size(), 5u) << run.said;
  // A picture's frames are the hundredths the page's time cursor shows.
  EXPECT_NE(run.parameters[0].find("time=0.51 cursor=0.51 "), std::string::npos)
      << run.parameters[0];
  EXPECT_NE(run.parameters[1].find("time=0.49 cursor=0.49 "), std::string::npos)
      << run.parameters[1];
  EXPECT_NE(run.parameters[2].find("time=1 cursor=1 "), std::string::npos) << run.parameters[2];
  EXPECT_NE(run.parameters[3].find("time=0 cursor=0 "), std::string::npos) << run.parameters[3];
  // Played to the end of the clip, where play stops (the test mode waits for it).
  EXPECT_NE(run.parameters[4].find("time=1 cursor=1 "), std::string::npos) << run.parameters[4];
}

// The command line is answered before any window opens, so these need no display.
TEST(StudioCommandLine, HelpUsageAndAModuleThatIsNotThere) {
  const std::string studio = (BinaryDir() / "bin" / "zrq-studio").string();
  auto exitOf = [&](const std::string &arguments, std::string *out) {
    FILE *pipe = popen((studio + " " + arguments + " 2>&1").c_str(), "r");
    char line[512];
    while (pipe && std::fgets(line, sizeof line, pipe)) out->append(line);
    const int status = pipe ? pclose(pipe) : -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::string help;
  EXPECT_EQ(exitOf("--help", &help), 0);
  for (const char *flag : {"--params", "--module", "--script", "FILE"})
    EXPECT_NE(help.find(flag), std::string::npos) << flag;
  std::string usage;
  EXPECT_EQ(exitOf("--no-such-flag", &usage), 2);
  EXPECT_NE(usage.find("--no-such-flag"), std::string::npos) << usage;
  std::string failed;
  EXPECT_EQ(exitOf("--module /nonexistent/module.so", &failed), 1);
  EXPECT_NE(failed.find("module.so"), std::string::npos) << failed;
}

} // namespace
