#include "host/VideoProgressLine.h"

#include <cstdio>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;
}

VideoProgressLine::VideoProgressLine(bool wanted)
    : enabled(wanted && isatty(STDERR_FILENO)), started(Clock::now()) {}

VideoProgressLine::~VideoProgressLine() { Finish(); }

void VideoProgressLine::Done(int64_t doneFrames, double doneFraction) {
  frames = doneFrames;
  fraction = doneFraction;
  if (!enabled) return;
  auto now = Clock::now();
  if (shown && now - lastShown < std::chrono::milliseconds(250)) return;
  lastShown = now;
  Show(now);
}

void VideoProgressLine::Show(Clock::time_point now) {
  shown = true;
  double seconds = std::chrono::duration<double>(now - started).count();
  std::fprintf(stderr, "\rzrq-render: frame %lld", static_cast<long long>(frames));
  if (seconds > 0) std::fprintf(stderr, ", %.1f fps", double(frames) / seconds);
  if (fraction > 0 && fraction < 1) {
    long long left = static_cast<long long>(seconds * (1 - fraction) / fraction + 0.5);
    std::fprintf(stderr, ", %lld:%02lld left   ", left / 60, left % 60);
  } else {
    std::fprintf(stderr, "                ");
  }
  std::fflush(stderr);
}

void VideoProgressLine::Finish() {
  if (enabled && shown) {
    fraction = 1; // the whole part is done: the overall rate, and nothing left
    Show(Clock::now());
    std::fprintf(stderr, "\n");
    shown = false;
    enabled = false;
  }
}
