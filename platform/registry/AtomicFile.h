// Files replaced in one step: the new content goes to a temporary file beside the old one,
// reaches the disk, and is renamed over it, so a reader (or a crash) sees the old file or the
// new one, never a mixture.
#pragma once

#include <string>
#include <string_view>

#include <winreg.h>

namespace zrq::registry {

// Where the temporary files for `path` are made: "<path>.tmp-" and six random characters.
std::string TemporaryPrefix(const std::string &path);

// Writes `content` to `path` in one step. On failure returns ERROR_ACCESS_DENIED,
// ERROR_PATH_NOT_FOUND or ERROR_CANTWRITE, puts "<path>: <reason>" in *problem and leaves
// the old file as it was.
LSTATUS ReplaceFile(const std::string &path, std::string_view content, std::string *problem);

// Reads a whole file of at most `limit` bytes. ERROR_FILE_NOT_FOUND when there is none;
// otherwise failures as ReplaceFile's, ERROR_CANTREAD for a read that fails or a file that is
// too large.
LSTATUS ReadWholeFile(const std::string &path, size_t limit, std::string *content,
                      std::string *problem);

// Error codes of file operations, from errno.
LSTATUS FileError(int error, LSTATUS otherwise);

} // namespace zrq::registry
