#include "host/OutputTarget.h"

#include "host/MessageText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// As the kernel allows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

std::optional<int> DescriptorNumber(std::string_view digits) {
  int number = -1;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || number < 0)
    return std::nullopt;
  return number;
}

// The descriptor a name stands for when it names one of this process's own. Reading such a
// name as a link would give "pipe:[123]" or a file that the shell opened for appending.
std::optional<int> OwnDescriptor(std::string_view name) {
  if (name == "/dev/stdout") return 1;
  if (name == "/dev/stderr") return 2;
  for (std::string_view folder : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"})
    if (name.starts_with(folder)) return DescriptorNumber(name.substr(folder.size()));
  const std::string own = "/proc/" + std::to_string(getpid()) + "/fd/";
  if (name.starts_with(own)) return DescriptorNumber(name.substr(own.size()));
  return std::nullopt;
}

std::string Folder(const std::string &path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

struct FileIdentity {
  dev_t device;
  ino_t inode;
  bool operator==(const FileIdentity &) const = default;
};

// What the target is on the disk, if it is there yet; `stores` says whether it keeps what is
// written (a character device such as /dev/null or a terminal keeps nothing).
std::optional<FileIdentity> IdentityOf(const OutputTarget &target, bool *stores) {
  struct stat info {};
  const int status = target.kind == OutputTarget::Kind::Descriptor
                         ? fstat(target.descriptor, &info)
                         : stat(target.path.c_str(), &info);
  if (status != 0) return std::nullopt;
  *stores = !S_ISCHR(info.st_mode);
  return FileIdentity{info.st_dev, info.st_ino};
}

// The folder holding `path` with every link and ".." resolved.
std::optional<std::string> RealFolder(const std::string &path) {
  std::string folder = Folder(path);
  std::unique_ptr<char, decltype(&free)> real(
      realpath(folder.empty() ? "." : folder.c_str(), nullptr), &free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

// Whether a link may be followed, by the rule the kernel keeps for opening files: a link in
// a sticky folder that anyone may write to (such as /tmp) is followed only when it is the
// follower's own or the folder owner's, so nobody can steer another user's output, root's
// included, onto a file of their choosing.
bool MayFollow(const std::string &link, const struct stat &linkInfo) {
  std::string folder = Folder(link);
  struct stat folderInfo {};
  if (stat(folder.empty() ? "." : folder.c_str(), &folderInfo) != 0) return false;
  const bool shared = (folderInfo.st_mode & S_ISVTX) && (folderInfo.st_mode & S_IWOTH);
  return !shared || linkInfo.st_uid == geteuid() || linkInfo.st_uid == folderInfo.st_uid;
}

Error Refused(const std::string &name, const std::string &why) {
  return Error{"cannot write " + Quoted(name) + ": " + why};
}

} // namespace

Result<OutputTarget> FindOutputTarget(const std::string &name) {
  OutputTarget target;
  target.path = name;
  for (int links = 0;; ++links) {
    if (std::optional<int> descriptor = OwnDescriptor(target.path)) {
      if (fcntl(*descriptor, F_GETFD) < 0)
        return Refused(name, "descriptor " + std::to_string(*descriptor) + " is not open");
      target.kind = OutputTarget::Kind::Descriptor;
      target.descriptor = *descriptor;
      return target;
    }
    struct stat info {};
    if (lstat(target.path.c_str(), &info) != 0) {
      if (errno != ENOENT) return Refused(name, SystemReason(errno));
      target.kind = OutputTarget::Kind::NewFile;
      return target;
    }
    if (S_ISLNK(info.st_mode)) {
      if (links == kMaxLinks) return Refused(name, SystemReason(ELOOP));
      if (!MayFollow(target.path, info))
        return Refused(name, "it is another user's link in a shared folder, which is not followed");
      std::string linked(size_t(info.st_size > 0 ? info.st_size : PATH_MAX) + 1, '\0');
      ssize_t length = readlink(target.path.c_str(), linked.data(), linked.size());
      if (length < 0) return Refused(name, SystemReason(errno));
      if (size_t(length) >= linked.size())
        return Refused(name, "its link changed while it was read");
      linked.resize(size_t(length));
      // A relative link is relative to the folder holding it.
      target.path = linked.starts_with('/') ? linked : Folder(target.path) + linked;
      continue;
    }
    if (S_ISREG(info.st_mode)) {
      target.kind = OutputTarget::Kind::ExistingFile;
      // Set-user and set-group bits are not carried over to a file written afresh.
      target.mode = info.st_mode & 0777;
    } else if (S_ISDIR(info.st_mode)) {
      return Refused(name, "it is a folder; name a file in it");
    } else if (S_ISSOCK(info.st_mode)) {
      target.kind = OutputTarget::Kind::Socket;
    } else {
      target.kind = OutputTarget::Kind::Device;
    }
    return target;
  }
}

bool SameOutput(const std::string &first, const std::string &second) {
  Result<OutputTarget> a = FindOutputTarget(first);
  Result<OutputTarget> b = FindOutputTarget(second);
  if (!a.ok() || !b.ok()) return false;
  bool storesA = true, storesB = true;
  std::optional<FileIdentity> identityA = IdentityOf(a.value(), &storesA);
  std::optional<FileIdentity> identityB = IdentityOf(b.value(), &storesB);
  if (identityA || identityB) return identityA == identityB && storesA && storesB;
  // Neither exists yet: the same name in the same folder is the same file.
  std::optional<std::string> folderA = RealFolder(a.value().path);
  std::optional<std::string> folderB = RealFolder(b.value().path);
  return folderA && folderA == folderB &&
         a.value().path.substr(Folder(a.value().path).size()) ==
             b.value().path.substr(Folder(b.value().path).size());
}
