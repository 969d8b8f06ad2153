// Runs the built zrq-render against outputs that are not plain new files (devices, FIFOs,
// links, standard output, files it replaces, names at the length limit) and checks that what
// it says about a failure is one true line.
#include "HostTestSupport.h"

#include "host/PngFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace {

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

// The test card as zrq-render writes it, for comparison.
const std::vector<std::string> kCard = {"--size", "16x8", "--value", "0"};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(ZrqRenderOutputs, WritesIntoAFifoForItsReader) {
  ScratchFolder folder;
  const std::string fifo = folder.File("frames");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  WriteWholeFile(folder.File("in.raw"), RawBytes(PatternFrame({8, 4})));
  std::string received;
  std::thread reader([&] { received = ReadWholeFile(fifo); });
  ToolRun run =
      RunTool({"--raw", "8x4", "--value", "0", "--input", folder.File("in.raw"), "--output", fifo});
  reader.join();
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(received, RawBytes(PatternFrame({8, 4})));
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
}

TEST(ZrqRenderOutputs, WritesIntoADeviceNodeAndLeavesItADevice) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  ScratchFolder folder;
  const std::string node = folder.File("null");
  ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);
  ToolRun run = RunTool(With(kCard, {"--output", node, "--save-params", folder.File("p.xml")}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(S_ISCHR(ModeOf(node)));
  // Also when it is the project that goes there.
  run = RunTool({"--value", "5", "--save-params", node});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(S_ISCHR(ModeOf(node)));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"null", "p.xml"}));
}

TEST(ZrqRenderOutputs, WritesToStandardOutputWhenNamedSo) {
  ScratchFolder folder;
  ToolRun picture = RunTool(With(kCard, {"--output", "/dev/stdout"}));
  ASSERT_EQ(picture.exitCode, 0) << picture.err;
  WriteWholeFile(folder.File("stdout.png"), picture.out);
  ToolRun file = RunTool(With(kCard, {"--output", folder.File("file.png")}));
  ASSERT_EQ(file.exitCode, 0) << file.err;
  EXPECT_TRUE(
      SamePixels(ReadPicture(folder.File("stdout.png")), ReadPicture(folder.File("file.png"))));

  ToolRun project = RunTool({"--key", "0=10", "--save-params", "/dev/stdout"});
  ASSERT_EQ(project.exitCode, 0) << project.err;
  EXPECT_EQ(project.out.rfind("<?xml", 0), 0u) << project.out;
  EXPECT_NE(project.out.find("<ZrqRenderProject>"), std::string::npos);

  Frame frame = PatternFrame({8, 4});
  WriteWholeFile(folder.File("in.raw"), RawBytes(frame));
  ToolRun raw =
      RunTool({"--raw", "8x4", "--value", "0", "--output", "/dev/stdout"}, folder.File("in.raw"));
  ASSERT_EQ(raw.exitCode, 0) << raw.err;
  EXPECT_EQ(raw.out, RawBytes(frame));
}

TEST(ZrqRenderOutputs, ReplacesTheFileALinkNamesAndKeepsTheLink) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("target.png"), "old");
  ASSERT_EQ(symlink("target.png", folder.File("link.png").c_str()), 0);
  ToolRun run = RunTool(With(kCard, {"--output", folder.File("link.png")}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(S_ISLNK(ModeOf(folder.File("link.png"))));
  EXPECT_TRUE(ReadPngFile(folder.File("target.png")).ok());
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"link.png", "target.png"}));
}

TEST(ZrqRenderOutputs, GivesNewFilesTheUmasksModeAndKeepsAReplacedFilesMode) {
  ScratchFolder folder;
  const mode_t previous = umask(077); // the tool inherits it
  ToolRun run = RunTool(
      With(kCard, {"--output", folder.File("new.png"), "--save-params", folder.File("new.xml")}));
  umask(previous);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ModeOf(folder.File("new.png")) & 0777, 0600u);
  EXPECT_EQ(ModeOf(folder.File("new.xml")) & 0777, 0600u);

  ASSERT_EQ(chmod(folder.File("new.png").c_str(), 0640), 0);
  ASSERT_EQ(chmod(folder.File("new.xml").c_str(), 0604), 0);
  run = RunTool(
      With(kCard, {"--output", folder.File("new.png"), "--save-params", folder.File("new.xml")}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ModeOf(folder.File("new.png")) & 0777, 0640u);
  EXPECT_EQ(ModeOf(folder.File("new.xml")) & 0777, 0604u);
}

TEST(ZrqRenderOutputs, TakesTheLongestNameAFolderHolds) {
  ScratchFolder folder;
  const std::string longest = std::string(251, 'x') + ".png";
  ToolRun run = RunTool(With(kCard, {"--output", folder.File(longest)}));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(folder.Names(), std::vector<std::string>{longest});
}

TEST(ZrqRenderOutputs, RefusesToWriteTheProjectAndTheFramesIntoOneFile) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("keep.png"), "keep");
  ASSERT_EQ(symlink("keep.png", folder.File("alias.xml").c_str()), 0);
  const std::vector<std::string> cases[] = {
      With(kCard, {"--output", folder.File("keep.png"), "--save-params", folder.File("keep.png")}),
      With(kCard, {"--output", folder.File("keep.png"), "--save-params", folder.File("alias.xml")}),
      With(kCard, {"--frames", "3", "--output", folder.File("f%d.png"), "--save-params",
                   folder.File("f2.png")}),
      // Standard output carries the frames (into a file here).
      {"--raw", "8x4", "--save-params", "/dev/stdout"},
  };
  for (const std::vector<std::string> &arguments : cases) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("--save-params and --output both name"), std::string::npos) << run.err;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
  }
  EXPECT_EQ(ReadWholeFile(folder.File("keep.png")), "keep");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"alias.xml", "keep.png"}));
}

TEST(ZrqRenderOutputs, SaysWhatWentWrongInOneTrueLine) {
  ScratchFolder folder;
  ASSERT_EQ(mkdir(folder.File("dir").c_str(), 0755), 0);
  WriteWholeFile(folder.File("in.raw"),
                 RawBytes(PatternFrame({8, 4})) + RawBytes(PatternFrame({8, 4})));
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> mentions;
  };
  const Case cases[] = {
      {{"--value", "5", "--save-params", folder.File("dir")}, {"--save-params", "it is a folder"}},
      {{"--value", "5", "--save-params", "/dev/full"},
       {"'/dev/full'", "no space is left on the device"}},
      {With(kCard, {"--output", "/dev/full"}), {"'/dev/full'", "no space is left on the device"}},
      {With(kCard, {"--output", "."}), {"'.'", "it is a folder"}},
      {{"--params", folder.File(std::string(300, 'p') + ".xml"), "--curve"},
       {"the name is too long"}},
      {With(kCard, {"--output", folder.File("new\nline\x1b[2J/o.png")}),
       {"new\\nline\\x1B[2J/o.png'", "its folder does not exist"}},
  };
  for (const Case &c : cases) {
    ToolRun run = RunTool(c.arguments);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    for (const std::string &mention : c.mentions)
      EXPECT_NE(run.err.find(mention), std::string::npos) << run.err;
  }
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir", "in.raw"}));

  // A full standard output: no frame is counted that did not get out.
  ToolRun full =
      RunToolWithOutput({"--raw", "8x4", "--value", "0"}, folder.File("in.raw"), "/dev/full");
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_NE(full.err.find(
                "cannot write standard output: no space is left on the device (0 frames written "
                "whole before it)"),
            std::string::npos)
      << full.err;

  // Asking twice for the version or the help is no mistake.
  for (const char *flag : {"--version", "--help"}) {
    ToolRun twice = RunTool({flag, flag});
    EXPECT_EQ(twice.exitCode, 0) << flag;
    EXPECT_EQ(twice.out, RunTool({flag}).out) << flag;
  }
}

} // namespace
