#include "file_replace.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Devices, pipes and names that do not resolve to a file yet are written
// straight through: there is no old content to protect.
ReplaceOutcome writeInPlace(const char* name, const std::string& content,
                            bool regular) {
  const int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return ReplaceOutcome::kCannotOpen;
  bool ok = writeAll(fd, content);
  if (ok && regular) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  return ok ? ReplaceOutcome::kWritten : ReplaceOutcome::kWriteFailed;
}

}  // namespace

bool writeAll(int fd, const std::string& content) {
  const char* data = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t written = write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

ReplaceOutcome replaceFileContent(const char* fileName,
                                  const std::string& content) {
  std::string target = fileName;
  mode_t mode = newFileMode();

  struct stat info;
  if (lstat(fileName, &info) == 0 && S_ISLNK(info.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(fileName, resolved) == nullptr) {
      // A link to nothing yet: writing through it creates its target.
      return writeInPlace(fileName, content, true);
    }
    target = resolved;
  }
  if (stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return ReplaceOutcome::kCannotOpen;
    if (!S_ISREG(info.st_mode)) {
      return writeInPlace(target.c_str(), content, false);
    }
    if (access(target.c_str(), W_OK) != 0) return ReplaceOutcome::kCannotOpen;
    mode = info.st_mode & 07777;
  }

  const size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base =
      slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temporary = folder + "." + base + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return ReplaceOutcome::kCannotOpen;

  bool ok = fchmod(fd, mode) == 0 && writeAll(fd, content) && fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok && rename(temporary.c_str(), target.c_str()) == 0) {
    return ReplaceOutcome::kWritten;
  }
  unlink(temporary.c_str());
  return ReplaceOutcome::kWriteFailed;
}
