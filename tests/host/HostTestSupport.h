// Helpers shared by the host tests: scratch folders, small pictures, and running the tool.
#pragma once

#include "host/EffectModule.h"
#include "host/Frame.h"
#include "host/FrameRenderer.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder &) = delete;
  ScratchFolder &operator=(const ScratchFolder &) = delete;

  std::string File(const std::string &name) const { return (path / name).string(); }
  // The names of the files in the folder, sorted.
  std::vector<std::string> Names() const;

private:
  std::filesystem::path path;
};

// A picture whose every byte depends on its place, so any move or flip shows.
Frame PatternFrame(FrameSize size, unsigned seed = 1);

bool SamePixels(const Frame &a, const Frame &b);

// The module beside the test programs, loaded once for the whole test program.
const EffectModule &TestModule();

// What the processor makes of `source` at `percent` when called directly, the destination
// starting as a copy of the source.
Frame ProcessDirectly(LONG effectId, double percent, const Frame &source);

// What a fresh effect of the module makes of `source` on `path` with "Effect Value" `percent`
// held from the start of the clip.
Frame RenderOnPath(RenderPath path, LONG effectId, double percent, const Frame &source,
                   DeviceCaps caps = DeviceCaps::Shaders);

// A PNG file's picture (a 1x1 picture, and a test failure, when it cannot be read).
Frame ReadPicture(const std::string &path);

int LineCount(const std::string &text);

std::string ReadWholeFile(const std::string &path);
void WriteWholeFile(const std::string &path, const std::string &bytes);

// The picture's bytes as a raw stream frame: rows top first.
std::string RawBytes(const Frame &frame);

struct ToolRun {
  int exitCode = -1; // the signal number + 128 when a signal ended it
  std::string out;
  std::string err;
};

// Runs build/bin/zrq-render with `arguments`, standard input from `stdinPath`.
ToolRun RunTool(const std::vector<std::string> &arguments,
                const std::string &stdinPath = "/dev/null");

// The same with standard output opened on `stdoutPath` (a device such as /dev/full, say);
// out stays empty.
ToolRun RunToolWithOutput(const std::vector<std::string> &arguments, const std::string &stdinPath,
                          const std::string &stdoutPath);

// Runs the tool with standard output into a pipe that is closed after `keepBytes` bytes.
ToolRun RunToolIntoClosingPipe(const std::vector<std::string> &arguments,
                               const std::string &stdinPath, size_t keepBytes);
