#include "host/AtomicOutputFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file an interrupt must remove. The signal handler may only read it, so it is
// published with a flag that is cleared before and set after the path changes.
char pendingPath[4096];
volatile sig_atomic_t pendingArmed = 0;

void Arm(const std::string &path) {
  pendingArmed = 0;
  if (path.size() >= sizeof pendingPath)
    return;
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  pendingArmed = 1;
}

void Disarm() { pendingArmed = 0; }

extern "C" void RemovePendingAndRaise(int signalNumber) {
  if (pendingArmed)
    unlink(pendingPath);
  std::signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

std::string Reason(int error) { return std::strerror(error); }

} // namespace

void InstallInterruptCleanup() {
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
    std::signal(signalNumber, RemovePendingAndRaise);
}

AtomicOutputFile::AtomicOutputFile(std::string finalPath, std::string temporaryPath, FILE *stream)
    : finalPath(std::move(finalPath)), temporaryPath(std::move(temporaryPath)), stream(stream) {}

Result<std::unique_ptr<AtomicOutputFile>> AtomicOutputFile::Create(const std::string &path) {
  std::string temporary = path + ".tmp-XXXXXX";
  int descriptor = mkstemp(temporary.data());
  if (descriptor < 0)
    return Error{"cannot write '" + path + "': " + Reason(errno)};
  // mkstemp makes the file private; give it the permissions a plain create would.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  FILE *stream = fdopen(descriptor, "wb");
  if (!stream) {
    int error = errno;
    close(descriptor);
    unlink(temporary.c_str());
    return Error{"cannot write '" + path + "': " + Reason(error)};
  }
  Arm(temporary);
  return std::unique_ptr<AtomicOutputFile>(new AtomicOutputFile(path, temporary, stream));
}

AtomicOutputFile::~AtomicOutputFile() { Discard(); }

void AtomicOutputFile::Discard() {
  if (!stream)
    return;
  fclose(stream);
  stream = nullptr;
  unlink(temporaryPath.c_str());
  Disarm();
}

Status AtomicOutputFile::Commit() {
  if (!stream)
    return Status::Fail("'" + finalPath + "' was already closed");
  int error = 0;
  if (fflush(stream) != 0 || ferror(stream))
    error = errno ? errno : EIO;
  FILE *closing = stream;
  stream = nullptr;
  if (fclose(closing) != 0 && error == 0)
    error = errno;
  if (error == 0 && rename(temporaryPath.c_str(), finalPath.c_str()) != 0)
    error = errno;
  if (error != 0) {
    unlink(temporaryPath.c_str());
    Disarm();
    return Status::Fail("cannot write '" + finalPath + "': " + Reason(error));
  }
  Disarm();
  return Status::Ok();
}
