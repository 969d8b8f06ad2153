// Where every tool writes its files. A plain file appears under its name only when it is
// complete: it is written under a short temporary name in the same folder (so that any legal
// name fits) and renamed over the name by Commit, an existing file keeping its permission bits
// and a new one getting those the umask gives. A symbolic link is followed and the file it
// names replaced, the link left in place. A device, a FIFO or a socket is written directly, as
// is the process's own descriptor named as /dev/stdout or /dev/fd/N (see OutputTarget.h).
// Until Commit the destructor (or an interrupt, see InstallInterruptCleanup) removes the
// temporary file.
//
// A tool links the library zrqoutputfile, includes this header, and writes through Stream()
// (buffered) or Descriptor() (unbuffered, for large blocks; not both), then calls Commit.
#pragma once

#include "host/OutputTarget.h"
#include "host/Status.h"

#include <cstdio>
#include <memory>
#include <string>

class AtomicOutputFile {
public:
  [[nodiscard]] static Result<std::unique_ptr<AtomicOutputFile>> Create(const std::string &path);
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile &) = delete;
  AtomicOutputFile &operator=(const AtomicOutputFile &) = delete;

  FILE *Stream() { return stream; }
  int Descriptor() { return fileno(stream); }
  // The name as given, for messages.
  const std::string &Path() const { return finalPath; }

  // Flushes and closes; a plain file is synced to disk and renamed into place. A failure at
  // any step removes the temporary file, and its message names the file and the cause.
  Status Commit();

  // The message for a failed write of this file with errno `error`.
  std::string WriteFailure(int error) const;

private:
  AtomicOutputFile(std::string finalPath, OutputTarget target, std::string temporaryPath,
                   FILE *stream);
  void Discard();

  std::string finalPath;
  OutputTarget target;
  std::string temporaryPath; // empty when written directly
  FILE *stream;
};

// On SIGINT, SIGTERM and SIGHUP, removes the temporary file being written, then lets the
// signal end the process as usual.
void InstallInterruptCleanup();
