#include "platform/registry/RegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/registry/AtomicFile.h"
#include "platform/registry/RegFileReader.h"
#include "platform/registry/RegFileWriter.h"

namespace zrq::registry {
namespace {

constexpr size_t kMaxFileSize = 64 * 1024 * 1024;

thread_local std::string problem;

// The last file read, so that calls between changes do not read it again.
struct ReadCache {
  std::mutex lock;
  std::string path;
  std::string content;
  std::shared_ptr<const RegistryTree> tree;
};

ReadCache &Cache() {
  static ReadCache cache;
  return cache;
}

std::string Environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDirectory() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  char buffer[4096];
  passwd entry{}, *found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

// Makes the folders of the default location, as the data directory may not exist yet.
LSTATUS MakeDirectories(const std::string &file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    const std::string directory = file.substr(0, slash);
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
      const int error = errno;
      RegistryStore::SetProblem(directory + ": " + std::strerror(error));
      return FileError(error, ERROR_CANTWRITE);
    }
  }
  return ERROR_SUCCESS;
}

// The tree of the file's text; the cache answers when the text is what it read last.
LSTATUS Parse(const std::string &path, std::string content,
              std::shared_ptr<const RegistryTree> *tree) {
  ReadCache &cache = Cache();
  {
    std::lock_guard<std::mutex> guard(cache.lock);
    if (cache.tree && cache.path == path && cache.content == content) {
      *tree = cache.tree;
      return ERROR_SUCCESS;
    }
  }
  std::vector<RegFileChange> changes;
  RegFileProblem where;
  if (!ReadRegFile(content, EndMarker::Required, &changes, &where)) {
    RegistryStore::SetProblem(path + ":" + std::to_string(where.line) + ": " + where.message);
    return ERROR_BADDB;
  }
  auto parsed = std::make_shared<RegistryTree>();
  ApplyRegFileChanges(changes, parsed.get());
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.path = path;
  cache.content = std::move(content);
  cache.tree = parsed;
  *tree = std::move(parsed);
  return ERROR_SUCCESS;
}

LSTATUS ReadFrom(const std::string &path, std::shared_ptr<const RegistryTree> *tree) {
  std::string content, reason;
  const LSTATUS status = ReadWholeFile(path, kMaxFileSize, &content, &reason);
  if (status == ERROR_FILE_NOT_FOUND) {
    *tree = std::make_shared<const RegistryTree>();
    return ERROR_SUCCESS;
  }
  if (status != ERROR_SUCCESS) {
    RegistryStore::SetProblem(reason);
    return status;
  }
  return Parse(path, std::move(content), tree);
}

// Temporary files left by a writer that was killed before its rename. Only called under the
// writers' lock, when no other writer can be between creating one and renaming it.
void RemoveLeftovers(const std::string &path) {
  const size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string prefix =
      TemporaryPrefix(path.substr(slash == std::string::npos ? 0 : slash + 1));
  DIR *listing = opendir(directory.c_str());
  if (listing == nullptr) return;
  while (const dirent *entry = readdir(listing)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
        std::strlen(entry->d_name) == prefix.size() + 6)
      unlinkat(dirfd(listing), entry->d_name, 0);
  }
  closedir(listing);
}

// Holds the writers' lock while it lives.
class WritersLock {
public:
  explicit WritersLock(const std::string &path)
      : fd(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd < 0) {
      error = errno;
      return;
    }
    while (flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error = errno;
        return;
      }
    }
  }
  ~WritersLock() {
    if (fd >= 0) close(fd); // closing releases the lock
  }
  WritersLock(const WritersLock &) = delete;
  WritersLock &operator=(const WritersLock &) = delete;

  int Error() const { return error; }

private:
  int fd;
  int error = 0;
};

// This thread's batch of changes, while one is open.
struct Batch {
  std::string path;
  std::unique_ptr<WritersLock> lock;
  RegistryTree tree;
  bool changed = false;
  int depth = 1;
};

thread_local std::unique_ptr<Batch> batch;

LSTATUS WriteTree(const std::string &path, RegistryTree tree) {
  std::string text = WriteRegFile(tree);
  RemoveLeftovers(path);
  std::string reason;
  if (const LSTATUS status = ReplaceFile(path, text, &reason); status != ERROR_SUCCESS) {
    RegistryStore::SetProblem(reason);
    return status;
  }
  ReadCache &cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.path = path;
  cache.content = std::move(text);
  cache.tree = std::make_shared<const RegistryTree>(std::move(tree));
  return ERROR_SUCCESS;
}

// The path to change, with its folders made when it is the default one.
LSTATUS PathToChange(std::string *path) {
  *path = RegistryStore::Path();
  if (path->empty()) {
    RegistryStore::SetProblem(
        "no place for the registry: neither ZRQ_REGISTRY nor a home directory is set");
    return ERROR_PATH_NOT_FOUND;
  }
  return Environment("ZRQ_REGISTRY").empty() ? MakeDirectories(*path) : ERROR_SUCCESS;
}

// Takes the writers' lock for `path`; null (with the problem set) when it cannot be had.
std::unique_ptr<WritersLock> LockForWriting(const std::string &path, LSTATUS *status) {
  auto lock = std::make_unique<WritersLock>(path);
  if (lock->Error() == 0) return lock;
  RegistryStore::SetProblem(path + ".lock: " + std::strerror(lock->Error()));
  *status = FileError(lock->Error(), ERROR_CANTWRITE);
  return nullptr;
}

} // namespace

std::string RegistryStore::Path() {
  if (std::string explicitPath = Environment("ZRQ_REGISTRY"); !explicitPath.empty())
    return explicitPath;
  std::string data = Environment("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG base-directory rules have it.
  if (data.empty() || data[0] != '/') {
    const std::string home = HomeDirectory();
    if (home.empty()) return {};
    data = home + "/.local/share";
  }
  return data + "/zrq/registry.reg";
}

LSTATUS RegistryStore::Read(std::shared_ptr<const RegistryTree> *tree) {
  if (batch) {
    *tree = std::shared_ptr<const RegistryTree>(std::shared_ptr<void>(), &batch->tree);
    return ERROR_SUCCESS;
  }
  const std::string path = Path();
  if (path.empty()) {
    SetProblem("no place for the registry: neither ZRQ_REGISTRY nor a home directory is set");
    return ERROR_PATH_NOT_FOUND;
  }
  return ReadFrom(path, tree);
}

LSTATUS RegistryStore::Modify(const Change &change) {
  if (batch) {
    bool changed = false;
    const LSTATUS status = change(batch->tree, &changed);
    batch->changed |= changed;
    return status;
  }
  std::string path;
  if (const LSTATUS status = PathToChange(&path); status != ERROR_SUCCESS) return status;
  LSTATUS status = ERROR_SUCCESS;
  const std::unique_ptr<WritersLock> lock = LockForWriting(path, &status);
  if (!lock) return status;
  std::shared_ptr<const RegistryTree> current;
  if (const LSTATUS read = ReadFrom(path, &current); read != ERROR_SUCCESS) return read;
  RegistryTree tree(*current);
  bool changed = false;
  if (status = change(tree, &changed); status != ERROR_SUCCESS || !changed) return status;
  return WriteTree(path, std::move(tree));
}

LSTATUS RegistryStore::BeginBatch() {
  if (batch) {
    ++batch->depth;
    return ERROR_SUCCESS;
  }
  std::string path;
  if (const LSTATUS status = PathToChange(&path); status != ERROR_SUCCESS) return status;
  LSTATUS status = ERROR_SUCCESS;
  std::unique_ptr<WritersLock> lock = LockForWriting(path, &status);
  if (!lock) return status;
  std::shared_ptr<const RegistryTree> current;
  if (const LSTATUS read = ReadFrom(path, &current); read != ERROR_SUCCESS) return read;
  batch = std::make_unique<Batch>(Batch{path, std::move(lock), RegistryTree(*current)});
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::EndBatch() {
  if (!batch) return ERROR_INVALID_PARAMETER;
  if (--batch->depth > 0) return ERROR_SUCCESS;
  const std::unique_ptr<Batch> ended = std::move(batch);
  return ended->changed ? WriteTree(ended->path, std::move(ended->tree)) : ERROR_SUCCESS;
}

const std::string &RegistryStore::Problem() { return problem; }
void RegistryStore::SetProblem(std::string text) { problem = std::move(text); }
void RegistryStore::ClearProblem() { problem.clear(); }

} // namespace zrq::registry
