#include "host/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

ProgressLine::ProgressLine(bool wanted, int64_t total)
    : enabled(wanted && isatty(STDERR_FILENO)), total(total), started(Clock::now()) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Done(int64_t doneFrames) {
  frames = doneFrames;
  if (!enabled) return;
  const Clock::time_point now = Clock::now();
  if (shown && now - lastShown < std::chrono::milliseconds(250)) return;
  lastShown = now;
  Show(now);
}

void ProgressLine::Done(int64_t doneFrames, double doneFraction) {
  fraction = doneFraction;
  Done(doneFrames);
}

void ProgressLine::Show(Clock::time_point now) {
  shown = true;
  std::fprintf(stderr, "\rzrq-render: frame %lld", static_cast<long long>(frames));
  if (total > 0) std::fprintf(stderr, "/%lld", static_cast<long long>(total));
  if (fraction) {
    const double seconds = std::chrono::duration<double>(now - started).count();
    if (seconds > 0) std::fprintf(stderr, ", %.1f fps", double(frames) / seconds);
    if (*fraction > 0 && *fraction < 1) {
      const auto left = static_cast<long long>(seconds * (1 - *fraction) / *fraction + 0.5);
      std::fprintf(stderr, ", %lld:%02lld left   ", left / 60, left % 60);
    } else {
      std::fprintf(stderr, "                "); // over the end of a longer line before
    }
  }
  std::fflush(stderr);
}

void ProgressLine::Finish() {
  if (enabled && shown) {
    // The last count, which the rate limit may have skipped; a video's whole part is done, so
    // the overall rate and nothing left.
    if (fraction) fraction = 1;
    Show(Clock::now());
    std::fprintf(stderr, "\n");
    shown = false;
    enabled = false;
  }
}
