#include "HostTestSupport.h"

#include "host/PngFile.h"
#include "host/ProjectParameters.h"
#include "render/software/SoftwareEffectProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

const EffectModule &TestModule() {
  static const std::unique_ptr<EffectModule> module = [] {
    Result<std::unique_ptr<EffectModule>> loaded = EffectModule::Load(EffectModule::DefaultPath());
    if (!loaded.ok()) {
      // Nothing here can run without it.
      std::fprintf(stderr, "%s\n", loaded.message().c_str());
      std::abort();
    }
    return std::move(loaded.value());
  }();
  return *module;
}

Frame RenderOnPath(RenderPath path, LONG effectId, double percent, const Frame &source,
                   DeviceCaps caps) {
  Frame destination = std::move(Frame::Allocate(source.Size()).value());
  Result<ProjectParameters> project = ProjectParameters::Create(TestModule());
  EXPECT_TRUE(project.ok()) << project.message();
  if (!project.ok()) return destination;
  const KeyFrameArgument key{0.0, percent};
  EXPECT_TRUE(project.value().SetEffectId(effectId).ok());
  EXPECT_TRUE(project.value().ReplaceKeyFrames({&key, 1}).ok());
  Result<std::unique_ptr<FrameRenderer>> renderer =
      MakeFrameRenderer(path, project.value().Interface(), source.Size(), caps);
  EXPECT_TRUE(renderer.ok()) << renderer.message();
  if (renderer.ok()) {
    Status rendered = renderer.value()->Render(source, destination, 0.0);
    EXPECT_TRUE(rendered.ok()) << rendered.message();
  }
  return destination;
}

Frame ProcessDirectly(LONG effectId, double percent, const Frame &source) {
  Frame destination = std::move(source.Clone().value());
  SoftwareEffectProcessor processor(effectId);
  processor.SetSize(source.Width(), source.Height());
  double value = percent * 0.01;
  processor.SetEffectValue(&value, sizeof value);
  BYTE *sources[1] = {const_cast<BYTE *>(source.Data())};
  LONG strides[1] = {source.Stride()};
  EXPECT_EQ(processor.ProcessFrame(sources, 0, strides, 0, destination.Data(), 0, 0, source.Width(),
                                   source.Height(), destination.Stride()),
            S_OK);
  return destination;
}

Frame ReadPicture(const std::string &path) {
  Result<PngPicture> read = ReadPngFile(path);
  EXPECT_TRUE(read.ok()) << path << ": " << read.message();
  return read.ok() ? std::move(read.value().frame) : PatternFrame({1, 1});
}

int LineCount(const std::string &text) { return int(std::count(text.begin(), text.end(), '\n')); }

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zrq-host-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed: " << std::strerror(errno);
  path = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> ScratchFolder::Names() const {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(path))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Frame PatternFrame(FrameSize size, unsigned seed) {
  Frame frame = std::move(Frame::Allocate(size).value());
  unsigned state = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < frame.ByteCount(); ++i) {
    state = state * 1103515245u + 12345u;
    frame.Data()[i] = BYTE(state >> 16);
  }
  return frame;
}

bool SamePixels(const Frame &a, const Frame &b) {
  return a.Size() == b.Size() && std::memcmp(a.Data(), b.Data(), a.ByteCount()) == 0;
}

std::string ReadWholeFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string RawBytes(const Frame &frame) {
  std::string bytes;
  for (int y = 0; y < frame.Height(); ++y)
    bytes.append(reinterpret_cast<const char *>(frame.ViewRow(y)), frame.RowBytes());
  return bytes;
}

namespace {

std::string ToolPath() {
  const char *binary = std::getenv("ZRQ_BINARY_DIR");
  return std::string(binary ? binary : ".") + "/bin/zrq-render";
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Spawns the tool with standard input from a file, standard output to `outFd` and standard
// error to a file; returns the pid.
pid_t Spawn(const std::vector<std::string> &arguments, const std::string &stdinPath, int outFd,
            const std::string &errPath) {
  std::string tool = ToolPath();
  std::vector<char *> argv;
  argv.push_back(tool.data());
  std::vector<std::string> copies(arguments);
  for (std::string &argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = -1;
  int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) ADD_FAILURE() << "cannot start " << tool << ": " << std::strerror(spawned);
  return spawned == 0 ? pid : -1;
}

} // namespace

ToolRun RunTool(const std::vector<std::string> &arguments, const std::string &stdinPath) {
  ScratchFolder capture;
  ToolRun run;
  int out = open(capture.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = Spawn(arguments, stdinPath, out, capture.File("err"));
  close(out);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) run.exitCode = ExitCodeOf(status);
  run.out = ReadWholeFile(capture.File("out"));
  run.err = ReadWholeFile(capture.File("err"));
  return run;
}

ToolRun RunToolWithOutput(const std::vector<std::string> &arguments, const std::string &stdinPath,
                          const std::string &stdoutPath) {
  ScratchFolder capture;
  ToolRun run;
  int out = open(stdoutPath.c_str(), O_WRONLY);
  if (out < 0) {
    ADD_FAILURE() << "cannot open " << stdoutPath;
    return run;
  }
  pid_t pid = Spawn(arguments, stdinPath, out, capture.File("err"));
  close(out);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) run.exitCode = ExitCodeOf(status);
  run.err = ReadWholeFile(capture.File("err"));
  return run;
}

ToolRun RunToolIntoClosingPipe(const std::vector<std::string> &arguments,
                               const std::string &stdinPath, size_t keepBytes) {
  ScratchFolder capture;
  ToolRun run;
  int ends[2];
  // Close-on-exec, so the tool does not hold the read end open itself.
  if (pipe2(ends, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe failed";
    return run;
  }
  pid_t pid = Spawn(arguments, stdinPath, ends[1], capture.File("err"));
  close(ends[1]);
  char buffer[4096];
  while (run.out.size() < keepBytes) {
    ssize_t n = read(ends[0], buffer, std::min(sizeof buffer, keepBytes - run.out.size()));
    if (n <= 0) break;
    run.out.append(buffer, size_t(n));
  }
  close(ends[0]);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) run.exitCode = ExitCodeOf(status);
  run.err = ReadWholeFile(capture.File("err"));
  return run;
}
