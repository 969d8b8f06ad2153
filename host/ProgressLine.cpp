#include "host/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

ProgressLine::ProgressLine(bool wanted, int64_t total)
    : enabled(wanted && isatty(STDERR_FILENO)), total(total) {}

ProgressLine::~ProgressLine() { Finish(); }

void ProgressLine::Done(int64_t frames) {
  lastFrames = frames;
  if (!enabled) return;
  auto now = std::chrono::steady_clock::now();
  if (shown && now - lastShown < std::chrono::milliseconds(100)) return;
  lastShown = now;
  Show();
}

void ProgressLine::Show() {
  shown = true;
  if (total > 0)
    std::fprintf(stderr, "\rzrq-render: frame %lld/%lld", static_cast<long long>(lastFrames),
                 static_cast<long long>(total));
  else
    std::fprintf(stderr, "\rzrq-render: frame %lld", static_cast<long long>(lastFrames));
  std::fflush(stderr);
}

void ProgressLine::Finish() {
  if (enabled && shown) {
    Show(); // the last count, which the rate limit may have skipped
    std::fprintf(stderr, "\n");
    shown = false;
    enabled = false;
  }
}
