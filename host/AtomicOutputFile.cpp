#include "host/AtomicOutputFile.h"

#include "host/MessageText.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The temporary file an interrupt must remove. The signal handler may only read it, so it is
// published with a flag that is cleared before and set after the path changes.
char pendingPath[4096];
volatile sig_atomic_t pendingArmed = 0;

void Arm(const std::string &path) {
  pendingArmed = 0;
  if (path.size() >= sizeof pendingPath) return;
  std::memcpy(pendingPath, path.c_str(), path.size() + 1);
  pendingArmed = 1;
}

void Disarm() { pendingArmed = 0; }

extern "C" void RemovePendingAndRaise(int signalNumber) {
  if (pendingArmed) unlink(pendingPath);
  std::signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// What a plain create would give: 0666 less the umask.
mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

int ConnectTo(const std::string &path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int descriptor = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor >= 0 &&
      connect(descriptor, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
    int error = errno;
    close(descriptor);
    errno = error;
    return -1;
  }
  return descriptor;
}

// Opens what the target names for writing; for a plain file, a new temporary file beside it
// (its name in *temporary). -1 with errno on failure.
int OpenTarget(const OutputTarget &target, std::string *temporary) {
  switch (target.kind) {
  case OutputTarget::Kind::NewFile:
  case OutputTarget::Kind::ExistingFile: {
    // A short name, so that it fits wherever the final name does.
    size_t slash = target.path.rfind('/');
    *temporary = (slash == std::string::npos ? std::string() : target.path.substr(0, slash + 1)) +
                 ".zrq-XXXXXX";
    int descriptor = mkostemp(temporary->data(), O_CLOEXEC);
    if (descriptor < 0)
      temporary->clear();
    else
      // mkstemp makes the file private. A failure leaves it so, which is safe.
      (void)fchmod(descriptor,
                   target.kind == OutputTarget::Kind::ExistingFile ? target.mode : NewFileMode());
    return descriptor;
  }
  case OutputTarget::Kind::Device:
    return open(target.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  case OutputTarget::Kind::Socket:
    return ConnectTo(target.path);
  case OutputTarget::Kind::Descriptor:
    // A copy, so that closing the output leaves the process's own descriptor open.
    return fcntl(target.descriptor, F_DUPFD_CLOEXEC, 3);
  }
  errno = EINVAL;
  return -1;
}

} // namespace

void InstallInterruptCleanup() {
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
    std::signal(signalNumber, RemovePendingAndRaise);
}

AtomicOutputFile::AtomicOutputFile(std::string finalPath, OutputTarget target,
                                   std::string temporaryPath, FILE *stream)
    : finalPath(std::move(finalPath)), target(std::move(target)),
      temporaryPath(std::move(temporaryPath)), stream(stream) {}

Result<std::unique_ptr<AtomicOutputFile>> AtomicOutputFile::Create(const std::string &path) {
  Result<OutputTarget> target = FindOutputTarget(path);
  ZRQ_RETURN_IF_FAILED(target);
  std::string temporary;
  int descriptor = OpenTarget(target.value(), &temporary);
  if (descriptor < 0) {
    int error = errno;
    if (error == ENOENT && target.value().Replaced())
      return Error{"cannot write " + Quoted(path) + ": its folder does not exist"};
    return Error{"cannot write " + Quoted(path) + ": " + SystemReason(error)};
  }
  FILE *stream = fdopen(descriptor, "wb");
  if (!stream) {
    int error = errno;
    close(descriptor);
    if (!temporary.empty()) unlink(temporary.c_str());
    return Error{"cannot write " + Quoted(path) + ": " + SystemReason(error)};
  }
  if (!temporary.empty()) Arm(temporary);
  return std::unique_ptr<AtomicOutputFile>(
      new AtomicOutputFile(path, std::move(target.value()), std::move(temporary), stream));
}

AtomicOutputFile::~AtomicOutputFile() { Discard(); }

void AtomicOutputFile::Discard() {
  if (!stream) return;
  fclose(stream);
  stream = nullptr;
  if (!temporaryPath.empty()) {
    unlink(temporaryPath.c_str());
    Disarm();
  }
}

std::string AtomicOutputFile::WriteFailure(int error) const {
  return "cannot write " + Quoted(finalPath) + ": " + SystemReason(error);
}

Status AtomicOutputFile::Commit() {
  if (!stream) return Status::Fail(Quoted(finalPath) + " was already closed");
  int error = 0;
  errno = 0;
  if (fflush(stream) != 0 || ferror(stream)) error = errno ? errno : EIO;
  // A file is on the disk before it takes the old one's place, so that a crash leaves the one
  // or the other whole. Devices and pipes have nothing to sync.
  if (error == 0 && !temporaryPath.empty() && fsync(fileno(stream)) != 0) error = errno;
  FILE *closing = stream;
  stream = nullptr;
  if (fclose(closing) != 0 && error == 0) error = errno;
  if (error == 0 && !temporaryPath.empty() &&
      rename(temporaryPath.c_str(), target.path.c_str()) != 0)
    error = errno;
  if (!temporaryPath.empty()) {
    if (error != 0) unlink(temporaryPath.c_str());
    Disarm();
  }
  if (error != 0) return Status::Fail(WriteFailure(error));
  return Status::Ok();
}
