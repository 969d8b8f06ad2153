// Frames for benchmarks that run as a video stream does: enough source and destination frames
// in rotation that none is still in the processor's caches when its turn comes round again.
// The effects and the plain copy they are compared with both cycle through the same pool.
#pragma once

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

class ColdFramePool {
public:
  // At least 8 pairs, and together at least twice the last-level cache.
  explicit ColdFramePool(std::size_t frameBytes) : frameBytes(frameBytes) {
    long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (cache <= 0) cache = sysconf(_SC_LEVEL2_CACHE_SIZE);
    const std::size_t wanted = 2 * static_cast<std::size_t>(std::max(cache, 0L));
    const std::size_t perPair = 2 * frameBytes;
    pairs = static_cast<int>(std::clamp<std::size_t>((wanted + perPair - 1) / perPair, 8, 64));
    std::mt19937 rng(1);
    for (int i = 0; i < pairs; ++i) {
      sources.emplace_back(new std::uint8_t[frameBytes]);
      destinations.emplace_back(new std::uint8_t[frameBytes]);
      for (std::size_t b = 0; b + 4 <= frameBytes; b += 4) {
        const std::uint32_t v = rng();
        std::memcpy(&sources.back()[b], &v, 4);
      }
      std::memset(destinations.back().get(), 0, frameBytes);
    }
  }

  int Pairs() const { return pairs; }
  std::size_t FrameBytes() const { return frameBytes; }
  std::size_t TotalBytes() const { return 2 * frameBytes * static_cast<std::size_t>(pairs); }
  std::uint8_t *Source(int i) { return sources[static_cast<std::size_t>(i % pairs)].get(); }
  std::uint8_t *Destination(int i) {
    return destinations[static_cast<std::size_t>(i % pairs)].get();
  }

  // One frame copied from the i-th source to the i-th destination.
  void Copy(int i) {
    std::memcpy(Destination(i), Source(i), frameBytes);
    benchmark::ClobberMemory();
  }

  // Seconds per cold copy of one frame, measured once, over several rounds of the pool.
  double ColdCopySeconds() {
    if (coldCopySeconds > 0) return coldCopySeconds;
    for (int i = 0; i < pairs; ++i) Copy(i);
    const int rounds = std::max(64, 4 * pairs);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) Copy(i);
    coldCopySeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / rounds;
    return coldCopySeconds;
  }

private:
  std::size_t frameBytes;
  int pairs = 8;
  std::vector<std::unique_ptr<std::uint8_t[]>> sources;
  std::vector<std::unique_ptr<std::uint8_t[]>> destinations;
  double coldCopySeconds = 0;
};
