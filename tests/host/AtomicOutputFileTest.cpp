// The one way the tools write files: plain files replaced whole with their permissions kept,
// links followed to the file they name, and devices, FIFOs and the process's own descriptors
// written as they are; and how messages name files.
#include "HostTestSupport.h"

#include "host/AtomicOutputFile.h"
#include "host/MessageText.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

namespace {

// Writes `bytes` to `path` through the helper.
Status WriteThrough(const std::string &path, const std::string &bytes) {
  Result<std::unique_ptr<AtomicOutputFile>> file = AtomicOutputFile::Create(path);
  if (!file.ok()) return file.status();
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.value()->Stream()) != bytes.size())
    return Status::Fail("fwrite failed");
  return file.value()->Commit();
}

mode_t ModeOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

// Sets the process's umask for its lifetime.
class Umask {
public:
  explicit Umask(mode_t mask) : previous(umask(mask)) {}
  ~Umask() { umask(previous); }

private:
  mode_t previous;
};

TEST(AtomicOutputFile, ANewFileGetsTheUmasksModeAndAReplacedOneKeepsItsOwn) {
  ScratchFolder folder;
  {
    Umask mask(077);
    ASSERT_TRUE(WriteThrough(folder.File("private"), "a").ok());
  }
  EXPECT_EQ(ModeOf(folder.File("private")) & 07777, 0600u);
  {
    Umask mask(022);
    ASSERT_TRUE(WriteThrough(folder.File("shared"), "a").ok());
    ASSERT_EQ(chmod(folder.File("shared").c_str(), 04640), 0);
    ASSERT_TRUE(WriteThrough(folder.File("shared"), "bb").ok());
  }
  // The permissions stay; a set-user bit is not carried over to what was written afresh.
  EXPECT_EQ(ModeOf(folder.File("shared")) & 07777, 0640u);
  EXPECT_EQ(ReadWholeFile(folder.File("shared")), "bb");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"private", "shared"}));
}

TEST(AtomicOutputFile, FollowsLinksToTheFileAndLeavesTheLinksInPlace) {
  ScratchFolder folder;
  ASSERT_EQ(mkdir(folder.File("real").c_str(), 0755), 0);
  WriteWholeFile(folder.File("real/target"), "old");
  ASSERT_EQ(symlink("real/target", folder.File("relative").c_str()), 0);
  ASSERT_EQ(symlink(folder.File("relative").c_str(), folder.File("chain").c_str()), 0);
  ASSERT_TRUE(WriteThrough(folder.File("chain"), "new").ok());
  EXPECT_TRUE(S_ISLNK(ModeOf(folder.File("chain"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(folder.File("relative"))));
  EXPECT_EQ(ReadWholeFile(folder.File("real/target")), "new");
  // A link to nothing yet makes the file it names.
  ASSERT_EQ(symlink("real/later", folder.File("dangling").c_str()), 0);
  ASSERT_TRUE(WriteThrough(folder.File("dangling"), "made").ok());
  EXPECT_EQ(ReadWholeFile(folder.File("real/later")), "made");
  EXPECT_TRUE(S_ISLNK(ModeOf(folder.File("dangling"))));
  // The temporary file is made beside the target, not beside the link.
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"chain", "dangling", "real", "relative"}));
  // A loop of links is refused with its reason.
  ASSERT_EQ(symlink("loop-b", folder.File("loop-a").c_str()), 0);
  ASSERT_EQ(symlink("loop-a", folder.File("loop-b").c_str()), 0);
  Status loop = WriteThrough(folder.File("loop-a"), "x");
  ASSERT_FALSE(loop.ok());
  EXPECT_NE(loop.message().find("too many symbolic links"), std::string::npos) << loop.message();
}

// As the kernel does for opening files: another user's link in a folder like /tmp could
// otherwise steer this output onto a file of their choosing.
TEST(AtomicOutputFile, FollowsNoOtherUsersLinkInASharedFolder) {
  if (geteuid() != 0) GTEST_SKIP() << "making a link of another user needs root";
  ScratchFolder folder;
  ASSERT_EQ(mkdir(folder.File("shared").c_str(), 01777), 0);
  ASSERT_EQ(chmod(folder.File("shared").c_str(), 01777), 0);
  WriteWholeFile(folder.File("precious"), "keep");
  ASSERT_EQ(symlink(folder.File("precious").c_str(), folder.File("shared/out.png").c_str()), 0);
  ASSERT_EQ(lchown(folder.File("shared/out.png").c_str(), 65534, 65534), 0);
  Status steered = WriteThrough(folder.File("shared/out.png"), "x");
  ASSERT_FALSE(steered.ok());
  EXPECT_NE(steered.message().find("another user's link in a shared folder"), std::string::npos)
      << steered.message();
  EXPECT_EQ(ReadWholeFile(folder.File("precious")), "keep");
  // One's own link there is followed.
  ASSERT_EQ(lchown(folder.File("shared/out.png").c_str(), 0, 0), 0);
  ASSERT_TRUE(WriteThrough(folder.File("shared/out.png"), "mine").ok());
  EXPECT_EQ(ReadWholeFile(folder.File("precious")), "mine");
}

TEST(AtomicOutputFile, WritesIntoAFifoForTheReaderWaitingOnIt) {
  ScratchFolder folder;
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadWholeFile(fifo); });
  const std::string bytes(300000, 'f'); // more than the FIFO holds at once
  ASSERT_TRUE(WriteThrough(fifo, bytes).ok());
  reader.join();
  EXPECT_EQ(received, bytes);
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"fifo"});
}

TEST(AtomicOutputFile, WritesIntoADeviceAndLeavesTheNodeAsItWas) {
  if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  ScratchFolder folder;
  const std::string node = folder.File("null");
  ASSERT_EQ(mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0) << std::strerror(errno);
  ASSERT_TRUE(WriteThrough(node, "swallowed").ok());
  EXPECT_TRUE(S_ISCHR(ModeOf(node)));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"null"});
  // A full device says so.
  Status full = WriteThrough("/dev/full", "x");
  ASSERT_FALSE(full.ok());
  EXPECT_NE(full.message().find("no space is left on the device"), std::string::npos)
      << full.message();
}

TEST(AtomicOutputFile, WritesWhereTheProcesssOwnDescriptorPoints) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  for (const std::string name : {"/dev/fd/", "/proc/self/fd/"})
    ASSERT_TRUE(WriteThrough(name + std::to_string(ends[1]), "via " + name + ";").ok()) << name;
  // The descriptor itself stays open: only the helper's copy of it was closed.
  EXPECT_EQ(write(ends[1], "end", 3), 3);
  close(ends[1]);
  std::string received;
  char buffer[256];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) > 0;)
    received.append(buffer, size_t(n));
  close(ends[0]);
  EXPECT_EQ(received, "via /dev/fd/;via /proc/self/fd/;end");
  Status closed = WriteThrough("/dev/fd/987", "x");
  ASSERT_FALSE(closed.ok());
  EXPECT_NE(closed.message().find("descriptor 987 is not open"), std::string::npos)
      << closed.message();
}

TEST(AtomicOutputFile, TakesEveryLegalNameAndRefusesAFolder) {
  ScratchFolder folder;
  const std::string longest(255, 'n');
  ASSERT_TRUE(WriteThrough(folder.File(longest), "long").ok());
  EXPECT_EQ(ReadWholeFile(folder.File(longest)), "long");
  ASSERT_TRUE(WriteThrough(folder.File(longest), "longer").ok()) << "and replaces it";
  EXPECT_EQ(folder.Names(), std::vector<std::string>{longest});

  Status tooLong = WriteThrough(folder.File(longest + "n"), "x");
  ASSERT_FALSE(tooLong.ok());
  EXPECT_NE(tooLong.message().find("the name is too long"), std::string::npos) << tooLong.message();
  Status intoFolder = WriteThrough(folder.File("."), "x");
  ASSERT_FALSE(intoFolder.ok());
  EXPECT_NE(intoFolder.message().find("it is a folder"), std::string::npos) << intoFolder.message();
  Status nowhere = WriteThrough(folder.File("none/a"), "x");
  ASSERT_FALSE(nowhere.ok());
  EXPECT_NE(nowhere.message().find("its folder does not exist"), std::string::npos)
      << nowhere.message();
  EXPECT_EQ(folder.Names(), std::vector<std::string>{longest});
}

TEST(OutputTarget, TellsWhetherTwoNamesEndInOneFile) {
  ScratchFolder folder;
  WriteWholeFile(folder.File("a"), "a");
  ASSERT_EQ(symlink("a", folder.File("link").c_str()), 0);
  EXPECT_TRUE(SameOutput(folder.File("link"), folder.File("a")));
  EXPECT_TRUE(SameOutput(folder.File("./a"), folder.File("a")));
  EXPECT_TRUE(SameOutput(folder.File("new"), folder.File("./new")));
  EXPECT_FALSE(SameOutput(folder.File("new"), folder.File("a")));
  EXPECT_FALSE(SameOutput(folder.File("new"), folder.File("other")));
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  EXPECT_TRUE(
      SameOutput("/dev/fd/" + std::to_string(ends[1]), "/proc/self/fd/" + std::to_string(ends[1])));
  close(ends[0]);
  close(ends[1]);
  EXPECT_FALSE(SameOutput("/dev/null", "/dev/null")) << "it keeps nothing";
}

TEST(MessageText, KeepsEveryMessageOnOneLineAndAwayFromTheTerminal) {
  EXPECT_EQ(Quoted("plain name.png"), "'plain name.png'");
  EXPECT_EQ(Quoted("a\nb\tc\r"), "'a\\nb\\tc\\r'");
  EXPECT_EQ(Printable("\x1b[31mred\x07\x7f"), "\\x1B[31mred\\x07\\x7F");
  // UTF-8 stays readable; C1 controls (U+009B is a CSI) and stray bytes do not pass.
  EXPECT_EQ(Printable("\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\x9e"),
            "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\x9e");
  EXPECT_EQ(Printable("\xc2\x9b"
                      "2J"),
            "\\xC2\\x9B2J");
  EXPECT_EQ(Printable("\xff\xc3"), "\\xFF\\xC3");
  EXPECT_EQ(Printable("\xed\xa0\x80"), "\\xED\\xA0\\x80"); // a surrogate
  EXPECT_EQ(Printable(std::string("nul\0byte", 8)), "nul\\x00byte");
  EXPECT_EQ(NumberText(1e308), "1e+308");
  EXPECT_EQ(SystemReason(ENOSPC), "no space is left on the device");
}

} // namespace
