// The registry file: where it lies, damage reported and never overwritten, .reg files in and
// out, and changes that survive kills and other writers.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "platform/registry/RegistryTestSupport.h"

namespace {

std::string StorePath() {
  char path[4096];
  ZrqRegGetStorePath(path, sizeof path);
  return path;
}

// Sets or clears environment variables for one test and puts them back after.
class ScopedEnvironment {
public:
  void Set(const char *name, const char *value) {
    if (!saved.count(name)) {
      const char *old = std::getenv(name);
      saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnvironment() {
    for (const auto &[name, value] : saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

private:
  std::map<std::string, std::optional<std::string>> saved;
};

std::set<std::u16string> ValueNames(const char16_t *path) {
  std::set<std::u16string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char16_t name[64];
  for (DWORD i = 0;; ++i) {
    DWORD length = 64;
    if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    names.emplace(name, length);
  }
  RegCloseKey(key);
  return names;
}

// Sets the values prefix + first ... prefix + (last - 1) of the key, one change each, in order.
void WriteValues(const char16_t *path, const std::u16string &prefix, int first, int last) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != 0)
    return;
  for (int i = first; i < last; ++i) {
    const std::u16string name = prefix + std::u16string(1, u'0' + i / 100 % 10) +
                                std::u16string(1, u'0' + i / 10 % 10) +
                                std::u16string(1, u'0' + i % 10);
    if (SetString(key, name.c_str(), u"value") != ERROR_SUCCESS) _exit(3);
  }
  RegCloseKey(key);
}

TEST(RegistryStore, LivesWhereTheEnvironmentSays) {
  TemporaryRegistry scratch;
  ScopedEnvironment environment;
  environment.Set("ZRQ_REGISTRY", nullptr);
  environment.Set("XDG_DATA_HOME", scratch.Folder().c_str());
  EXPECT_EQ(StorePath(), scratch.Folder() + "/zrq/registry.reg");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Made", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(std::filesystem::exists(scratch.Folder() + "/zrq/registry.reg"))
      << "its folders are made";

  environment.Set("XDG_DATA_HOME", "relative/ignored");
  environment.Set("HOME", scratch.Folder().c_str());
  EXPECT_EQ(StorePath(), scratch.Folder() + "/.local/share/zrq/registry.reg");
  environment.Set("ZRQ_REGISTRY", "/somewhere/else.reg");
  EXPECT_EQ(StorePath(), "/somewhere/else.reg");
}

TEST(RegistryStore, ADamagedFileIsReportedAndLeftAlone) {
  TemporaryRegistry registry;
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:0\n";
  registry.Write(damaged);
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"B", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_BADDB);
  EXPECT_EQ(LastProblem(),
            registry.File() +
                ":4: the file ends early: its last line must be \"; end of file\" (cut short?)");
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"A", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_EQ(registry.Text(), damaged);
  // A call that meets no problem says so.
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(0x10001), u"A", 0, KEY_READ, &key),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(LastProblem(), "");

  registry.Write("<?xml version=\"1.0\"?><registry/>");
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"A", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_NE(LastProblem().find(":1: not a registry file"), std::string::npos) << LastProblem();
}

TEST(RegistryStore, ExportsAndImportsRegFiles) {
  TemporaryRegistry registry;
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Kept\\Inner", 0, nullptr, 0, 0, nullptr, &key, nullptr),
      0);
  ASSERT_EQ(SetString(key, u"name", u"value"), ERROR_SUCCESS);
  RegCloseKey(key);
  const std::string exported = registry.Folder() + "/kept.reg";
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Kept", 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_EQ(ZrqRegExportKey(key, exported.c_str()), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Kept"), ERROR_SUCCESS);
  ASSERT_EQ(ZrqRegImportFile(exported.c_str()), ERROR_SUCCESS);
  EXPECT_EQ(GetString(HKEY_CLASSES_ROOT, u"Kept\\Inner", u"name"), u"value");

  // A file that does not read changes nothing, not even its good first part.
  const std::string broken = registry.Folder() + "/broken.reg";
  std::ofstream(broken) << "Windows Registry Editor Version 5.00\n\n[-HKEY_CLASSES_ROOT\\Kept]\n"
                           "[HKEY_CLASSES_ROOT\\New]\n\"x\"=dword:xyz\n";
  const std::string before = registry.Text();
  EXPECT_EQ(ZrqRegImportFile(broken.c_str()), ERROR_BADDB);
  EXPECT_EQ(LastProblem(), broken + ":5: dword: takes one to eight hexadecimal digits");
  EXPECT_EQ(registry.Text(), before);
  EXPECT_EQ(ZrqRegImportFile((registry.Folder() + "/none.reg").c_str()), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryStore, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  TemporaryRegistry registry;
  std::mt19937 random(12345);
  size_t written = 0;
  for (int round = 0; round < 12; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      WriteValues(u"Durable", u"v", static_cast<int>(written), 1000);
      _exit(0);
    }
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(500, 20000)(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // Whatever the moment, the file reads, and it holds the values in the order they were
    // written, without a gap.
    const std::set<std::u16string> names = ValueNames(u"Durable");
    ASSERT_EQ(LastProblem(), "");
    ASSERT_GE(names.size(), written);
    size_t i = 0;
    for (const std::u16string &name : names) {
      ASSERT_EQ(name, u"v" + std::u16string(1, u'0' + i / 100 % 10) +
                          std::u16string(1, u'0' + i / 10 % 10) + std::u16string(1, u'0' + i % 10));
      ++i;
    }
    written = names.size();
  }
  // The next change clears what the killed writers left behind.
  WriteValues(u"Durable", u"w", 0, 1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(registry.Folder()), {}), 2);
}

TEST(RegistryStore, ABatchIsOneChange) {
  TemporaryRegistry registry;
  EXPECT_EQ(ZrqRegEndBatch(), ERROR_INVALID_PARAMETER) << "no batch is open";
  ASSERT_EQ(ZrqRegBeginBatch(), ERROR_SUCCESS);
  ASSERT_EQ(ZrqRegBeginBatch(), ERROR_SUCCESS);
  WriteValues(u"Batch", u"v", 0, 3);
  EXPECT_EQ(ValueNames(u"Batch").size(), 3u) << "this thread sees its changes";
  ASSERT_EQ(ZrqRegEndBatch(), ERROR_SUCCESS);
  EXPECT_EQ(registry.Text(), "") << "the inner end writes nothing";
  // Another process neither sees the batch nor gets to change the registry before its end.
  // (A fresh program: a forked one would share this thread's batch.)
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl("/proc/self/exe", "/proc/self/exe",
          "--gtest_filter=BatchOutsider.DISABLED_SeesNothingThenWrites",
          "--gtest_also_run_disabled_tests", static_cast<char *>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(registry.Text(), "");
  ASSERT_EQ(ZrqRegEndBatch(), ERROR_SUCCESS);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ValueNames(u"Batch"), (std::set<std::u16string>{u"v000", u"v001", u"v002", u"w000"}));

  // A process that dies inside a batch changes nothing.
  const std::string before = registry.Text();
  const pid_t killed = fork();
  ASSERT_GE(killed, 0);
  if (killed == 0) {
    if (ZrqRegBeginBatch() != ERROR_SUCCESS) _exit(1);
    WriteValues(u"Batch", u"x", 0, 5);
    raise(SIGKILL);
  }
  waitpid(killed, &status, 0);
  EXPECT_EQ(registry.Text(), before);
}

// Run by ABatchIsOneChange in a program of its own, while the batch is open.
TEST(BatchOutsider, DISABLED_SeesNothingThenWrites) {
  EXPECT_TRUE(ValueNames(u"Batch").empty());
  WriteValues(u"Batch", u"w", 0, 1);
}

TEST(RegistryStore, WritersInSeveralProcessesLoseNothing) {
  TemporaryRegistry registry;
  std::vector<pid_t> children;
  for (const char16_t *prefix : {u"a", u"b", u"c"}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      WriteValues(u"Shared", prefix, 0, 40);
      _exit(0);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(ValueNames(u"Shared").size(), 120u);
}

} // namespace
