// What a fuzz target does when the code under test breaks a promise: says which, and stops
// the run so the fuzzer keeps the input that did it.
#pragma once

#include <cstdio>
#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

inline void FuzzCheck(bool condition, const char *target, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "%s: %s\n", target, what);
  std::abort();
}

// Bytes as a file that code taking a path can open: an anonymous file in memory, reached as
// /proc/self/fd/N. Closed, and gone, with the object.
class FuzzFile {
public:
  FuzzFile(const uint8_t *data, size_t size) : descriptor(memfd_create("fuzz", 0)) {
    FuzzCheck(descriptor >= 0, "fuzz", "no memory file");
    for (size_t done = 0; done < size;) {
      const ssize_t written = write(descriptor, data + done, size - done);
      FuzzCheck(written > 0, "fuzz", "cannot fill the memory file");
      done += size_t(written);
    }
    lseek(descriptor, 0, SEEK_SET);
  }
  ~FuzzFile() { close(descriptor); }
  FuzzFile(const FuzzFile &) = delete;
  FuzzFile &operator=(const FuzzFile &) = delete;

  int Descriptor() const { return descriptor; }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(descriptor); }

private:
  int descriptor;
};
