// "frame 12/100" on standard error, rewritten in place, only when standard error is a
// terminal, and at most a few times a second.
#pragma once

#include <chrono>
#include <cstdint>

class ProgressLine {
public:
  // total 0: the number of frames is not known in advance.
  ProgressLine(bool wanted, int64_t total);
  ~ProgressLine();

  void Done(int64_t frames);
  void Finish();

private:
  void Show();

  bool enabled;
  bool shown = false;
  int64_t total;
  int64_t lastFrames = 0;
  std::chrono::steady_clock::time_point lastShown;
};
