#include "platform/xml/XmlDocumentFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

HRESULT FromErrno(int error) {
  switch (error) {
  case ENOENT:
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  case ENOTDIR:
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  case EACCES:
  case EPERM:
  case EROFS:
    return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  case ENOMEM:
    return E_OUTOFMEMORY;
  default:
    return E_FAIL;
  }
}

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd(fd) {}
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  int Get() const { return fd; }
  // Closes now, reporting the error close may give for buffered writes.
  int Close() {
    const int result = ::close(fd);
    fd = -1;
    return result;
  }

private:
  int fd;
};

} // namespace

HRESULT XmlReadFile(const std::string &path, std::string &contents) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) return FromErrno(errno);
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) return FromErrno(errno);
  if (!S_ISREG(info.st_mode)) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
  contents.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.Get(), buffer, sizeof(buffer));
    if (got < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (got == 0) break;
    contents.append(buffer, static_cast<size_t>(got));
  }
  return S_OK;
}

HRESULT XmlWriteFileAtomically(const std::string &path, const std::string &contents) {
  std::vector<char> temporary(path.begin(), path.end());
  const std::string suffix = ".tmp-XXXXXX";
  temporary.insert(temporary.end(), suffix.begin(), suffix.end());
  temporary.push_back('\0');
  FileDescriptor file(::mkstemp(temporary.data()));
  if (file.Get() < 0) return FromErrno(errno);
  const auto discard = [&](int error) {
    ::unlink(temporary.data());
    return FromErrno(error);
  };
  // mkstemp makes the file private: a replaced file keeps its permissions, a new one is
  // readable by others like most documents.
  struct stat existing {};
  const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
  if (::fchmod(file.Get(), mode) != 0) return discard(errno);
  size_t written = 0;
  while (written < contents.size()) {
    const ssize_t put = ::write(file.Get(), contents.data() + written, contents.size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      return discard(errno);
    }
    written += static_cast<size_t>(put);
  }
  if (::fsync(file.Get()) != 0) return discard(errno);
  if (file.Close() != 0) return discard(errno);
  if (::rename(temporary.data(), path.c_str()) != 0) return discard(errno);
  return S_OK;
}
