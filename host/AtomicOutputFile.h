// A file that appears under its name only when it is complete: it is written under a
// temporary name in the same folder and renamed by Commit. Until then the destructor (or an
// interrupt, see InstallInterruptCleanup) removes the temporary file.
#pragma once

#include "host/Status.h"

#include <cstdio>
#include <memory>
#include <string>

class AtomicOutputFile {
public:
  static Result<std::unique_ptr<AtomicOutputFile>> Create(const std::string &path);
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile &) = delete;
  AtomicOutputFile &operator=(const AtomicOutputFile &) = delete;

  FILE *Stream() { return stream; }
  const std::string &Path() const { return finalPath; }

  // Flushes, closes and renames; a failure at any step removes the temporary file.
  Status Commit();

private:
  AtomicOutputFile(std::string finalPath, std::string temporaryPath, FILE *stream);
  void Discard();

  std::string finalPath;
  std::string temporaryPath;
  FILE *stream;
};

// On SIGINT, SIGTERM and SIGHUP, removes the temporary file being written, then lets the
// signal end the process as usual.
void InstallInterruptCleanup();
