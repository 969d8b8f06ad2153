#include "platform/registry/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zrq::registry {
namespace {

std::string Reason(const std::string &path, int error) {
  return path + ": " + std::strerror(error);
}

std::string Directory(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = write(fd, content.data(), content.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    content.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

} // namespace

LSTATUS FileError(int error, LSTATUS otherwise) {
  switch (error) {
  case EACCES:
  case EPERM:
    return ERROR_ACCESS_DENIED;
  case ENOENT:
  case ENOTDIR:
    return ERROR_PATH_NOT_FOUND;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  default:
    return otherwise;
  }
}

std::string TemporaryPrefix(const std::string &path) { return path + ".tmp-"; }

LSTATUS ReplaceFile(const std::string &path, std::string_view content, std::string *problem) {
  std::string temporary = TemporaryPrefix(path) + "XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    *problem = Reason(path, error);
    return FileError(error, ERROR_CANTWRITE);
  }
  // The new file keeps the old one's permissions; a first file is readable by all, like the
  // other files under the user's data directory.
  struct stat old {};
  const mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool written = fchmod(fd, mode) == 0 && WriteAll(fd, content) && fsync(fd) == 0;
  const int writeError = errno;
  if (close(fd) != 0 || !written) {
    const int error = written ? errno : writeError;
    unlink(temporary.c_str());
    *problem = Reason(path, error);
    return FileError(error, ERROR_CANTWRITE);
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    *problem = Reason(path, error);
    return FileError(error, ERROR_CANTWRITE);
  }
  // The rename itself reaches the disk with the directory.
  const int directory = open(Directory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory >= 0) {
    fsync(directory);
    close(directory);
  }
  return ERROR_SUCCESS;
}

LSTATUS ReadWholeFile(const std::string &path, size_t limit, std::string *content,
                      std::string *problem) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return ERROR_FILE_NOT_FOUND;
    *problem = Reason(path, error);
    return FileError(error, ERROR_CANTREAD);
  }
  content->clear();
  char buffer[65536];
  LSTATUS status = ERROR_SUCCESS;
  while (true) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *problem = Reason(path, errno);
      status = ERROR_CANTREAD;
      break;
    }
    if (got == 0) break;
    if (content->size() + static_cast<size_t>(got) > limit) {
      *problem = path + ": larger than " + std::to_string(limit / (1024 * 1024)) + " MiB";
      status = ERROR_CANTREAD;
      break;
    }
    content->append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return status;
}

} // namespace zrq::registry
