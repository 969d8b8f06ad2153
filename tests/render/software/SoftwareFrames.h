// Pictures for the processor tests: pixel memory with a guard zone after the last row, filled
// from a seeded generator so every failure can be replayed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

struct TestPicture {
  LONG width = 0;
  LONG height = 0;
  LONG stride = 0;
  std::vector<BYTE> memory; // height rows of `stride` bytes, then the guard zone

  static constexpr std::size_t kGuard = 64;

  TestPicture(LONG w, LONG h, LONG s)
      : width(w), height(h), stride(s), memory(std::size_t(h) * std::size_t(s) + kGuard) {}

  BYTE *Pixels() { return memory.data(); }
  const BYTE *Pixels() const { return memory.data(); }
  BYTE *At(LONG r, LONG c) {
    return memory.data() + std::size_t(r) * std::size_t(stride) + 4 * std::size_t(c);
  }
  const BYTE *At(LONG r, LONG c) const {
    return memory.data() + std::size_t(r) * std::size_t(stride) + 4 * std::size_t(c);
  }
  std::uint32_t Pixel(LONG r, LONG c) const {
    std::uint32_t v;
    std::memcpy(&v, At(r, c), 4);
    return v;
  }
  void SetPixel(LONG r, LONG c, std::uint32_t v) { std::memcpy(At(r, c), &v, 4); }

  void FillRandom(std::mt19937 &rng) {
    for (BYTE &b : memory) b = BYTE(rng());
  }
  void Fill(BYTE value) { std::memset(memory.data(), value, memory.size()); }
  // Each pixel names its own place: column in bytes 0-1, row in bytes 2-3.
  void FillCoordinates() {
    for (LONG r = 0; r < height; ++r)
      for (LONG c = 0; c < width; ++c) SetPixel(r, c, std::uint32_t(c) | std::uint32_t(r) << 16);
  }
};
