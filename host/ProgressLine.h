// "frame 12/100" on standard error, rewritten in place, only when standard error is a
// terminal, and at most a few times a second. A video job also says how far through the clip
// its frames have got: then "frame 120, 31.2 fps, 0:04 left", which holds for any frame rate.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

class ProgressLine {
public:
  // total 0: the number of frames is not known in advance.
  explicit ProgressLine(bool wanted, int64_t total = 0);
  ~ProgressLine();

  void Done(int64_t frames);
  // `frames` done, the last at `fraction` (0..1) of the part being rendered.
  void Done(int64_t frames, double fraction);
  void Finish();

private:
  using Clock = std::chrono::steady_clock;
  void Show(Clock::time_point now);

  bool enabled;
  bool shown = false;
  int64_t total;
  int64_t frames = 0;
  std::optional<double> fraction; // only for a video
  Clock::time_point started;
  Clock::time_point lastShown;
};
