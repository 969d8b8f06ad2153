// What an output name stands for, found before anything is written: a plain file to create or
// replace (symbolic links followed to the file they name), something else that is written as
// it is (a device, a FIFO, a socket), or one of the process's own open descriptors named as
// /dev/stdout, /dev/stderr, /dev/fd/N or /proc/self/fd/N, which is written where it points, so
// that a shell's redirection (`>>` included) is honoured.
#pragma once

#include "host/Status.h"

#include <sys/types.h>

#include <string>

struct OutputTarget {
  enum class Kind {
    NewFile,      // nothing there yet: `path` is created
    ExistingFile, // a plain file: replaced whole, keeping `mode`
    Device,       // a character or block device or a FIFO: opened and written
    Socket,       // a Unix stream socket: connected to and written
    Descriptor,   // the process's own `descriptor`
  };

  Kind kind = Kind::NewFile;
  // The name to write or replace: the name given, or where its links lead.
  std::string path;
  mode_t mode = 0;     // ExistingFile: the permission bits to keep
  int descriptor = -1; // Descriptor

  // Whether the output is written under a temporary name and renamed into place.
  bool Replaced() const { return kind == Kind::NewFile || kind == Kind::ExistingFile; }
};

// Looks at `name` without changing anything. Fails, with the reason in plain words, for a
// folder, a descriptor that is not open, a loop of links, or a name that cannot be looked at.
[[nodiscard]] Result<OutputTarget> FindOutputTarget(const std::string &name);

// Whether two output names end in the same place that keeps what is written: the same file
// (made or replaced), FIFO, socket, pipe or block device. Two names for a character device
// such as /dev/null are not counted: it keeps nothing either could spoil.
bool SameOutput(const std::string &first, const std::string &second);
