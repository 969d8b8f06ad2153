// Memory a routine needs for each frame, kept from one frame to the next, so that a frame no
// larger than the one before allocates nothing (a host's frame loop may forbid allocating).
#pragma once

#include <cstddef>
#include <memory>
#include <new>

class WorkingMemory {
public:
  // At least `bytes` of memory aligned for any scalar type, or null when it cannot be had.
  // What the memory held before is not kept.
  void *Get(std::size_t bytes) {
    if (bytes > capacity) {
      const std::size_t blocks = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
      memory.reset(new (std::nothrow) std::max_align_t[blocks]);
      capacity = memory ? blocks * sizeof(std::max_align_t) : 0;
    }
    return memory.get();
  }

private:
  std::unique_ptr<std::max_align_t[]> memory;
  std::size_t capacity = 0;
};
