#include "file_replace.h"

#include <acl/libacl.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <thread>

#include "system_error.h"

namespace {

constexpr char kBackupSuffix[] = ".topoplan-backup";

struct PathParts {
  std::string folder;
  std::string base;  // the last component; empty after a trailing slash
};

PathParts splitPath(const char* name) {
  const std::string path = name;
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// `base` as it stands in a hidden name "." + base + a suffix of
// `suffixSize` bytes: whole where that fits in a folder entry, otherwise
// its first bytes, cut at a character's start, and a hash of all of it.
std::string fittedBase(const std::string& base, size_t suffixSize) {
  if (1 + base.size() + suffixSize <= NAME_MAX) return base;
  std::uint64_t hash = 14695981039346656037ULL;  // 64-bit FNV-1a
  for (const char byte : base) {
    hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ULL;
  }
  char mark[18];
  (void)std::snprintf(mark, sizeof mark, "~%016llx",
                      static_cast<unsigned long long>(hash));
  size_t kept = NAME_MAX - 1 - suffixSize - (sizeof mark - 1);
  while (kept > 0 && (static_cast<unsigned char>(base[kept]) & 0xc0) == 0x80) {
    --kept;
  }
  return base.substr(0, kept) + mark;
}

// A backup is recorded for one file: its device and inode end the name,
// so that whichever of the file's names a save comes through finds it.
std::string backupSuffix(const struct stat& file) {
  return "." + std::to_string(file.st_dev) + "-" + std::to_string(file.st_ino) +
         kBackupSuffix;
}

std::string backupNameFor(const std::string& base, const struct stat& file) {
  const std::string suffix = backupSuffix(file);
  return "." + fittedBase(base, suffix.size()) + suffix;
}

// Only the file's own backup counts: a regular file of the file's owner,
// which that owner can read and nobody else can write. Anything else
// under such a name was not made by a save and is never pointed to.
bool isOwnBackup(const struct stat& backup, const struct stat& file) {
  return S_ISREG(backup.st_mode) && backup.st_uid == file.st_uid &&
         (backup.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
         (backup.st_mode & S_IRUSR) != 0;
}

bool isNullDevice(const struct stat& target) {
  struct stat null;
  return S_ISCHR(target.st_mode) && stat("/dev/null", &null) == 0 &&
         S_ISCHR(null.st_mode) && target.st_rdev == null.st_rdev;
}

// Replacing the file or pipe that our own transcript or input runs
// through would lose it; a terminal or /dev/null is shared harmlessly.
bool isOwnStream(const struct stat& target) {
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    struct stat info;
    if (fstat(stream, &info) == 0 &&
        (S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode)) &&
        sameFile(info, target)) {
      return true;
    }
  }
  return false;
}

// Temporary names are "." + the target's name + kTemporaryMark + six
// random letters; a save holds its temporary locked while it lives.
constexpr char kTemporaryMark[] = ".new-";
constexpr size_t kTemporarySuffixSize = sizeof kTemporaryMark - 1 + 6;

std::string temporaryPrefix(const std::string& base) {
  return "." + fittedBase(base, kTemporarySuffixSize) + kTemporaryMark;
}

std::string temporaryName(const std::string& base);

std::string randomLetters() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::string letters(6, ' ');
  for (char& letter : letters) letter = kLetters[random() % 62];
  return letters;
}

// A file being written beside its final place. Unnamed (O_TMPFILE) where
// the file system allows it, so that a killed process leaves nothing
// behind; otherwise a hidden, randomly named file created exclusively.
// Removed when it goes out of scope unless it was put in place.
struct BesideFile {
  BesideFile(int folderFd, const std::string& base, mode_t mode)
      : folder(folderFd) {
    fd = openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
      for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = temporaryName(base);
        fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC,
                    mode);
        if (fd < 0 && errno != EEXIST) break;
      }
      if (fd < 0) name.clear();
    }
    // Held until the file is closed: the mark of a save still running.
    if (fd >= 0) flock(fd, LOCK_EX);
  }
  ~BesideFile() {
    if (fd >= 0) close(fd);
    if (!name.empty()) unlinkat(folder, name.c_str(), 0);
  }
  BesideFile(const BesideFile&) = delete;
  BesideFile& operator=(const BesideFile&) = delete;

  // Gives the file the name `target` in the folder, never replacing an
  // existing entry (EEXIST). It stays until removed or put in place.
  bool linkAs(const std::string& target) {
    if (!name.empty()) {
      if (linkat(folder, name.c_str(), folder, target.c_str(), 0) != 0) {
        return false;
      }
      unlinkat(folder, name.c_str(), 0);
      name.clear();
      return true;
    }
    if (linkat(fd, "", folder, target.c_str(), AT_EMPTY_PATH) == 0) return true;
    // Linking by descriptor needs a capability; the /proc link does not.
    if (errno != ENOENT && errno != EPERM) return false;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), folder, target.c_str(),
                  AT_SYMLINK_FOLLOW) == 0;
  }

  // Renames the complete file over `target`. An unnamed file needs a name
  // first, for the moment between the link and the rename.
  bool putInPlaceOf(const std::string& target) {
    for (int attempt = 0; attempt < 100 && name.empty(); ++attempt) {
      // Made before the link, so that running out of memory cannot strand
      // a linked file without its name here to remove it.
      std::string fresh = temporaryName(target);
      if (linkAs(fresh)) {
        name.swap(fresh);
      } else if (errno != EEXIST) {
        return false;
      }
    }
    if (name.empty() ||
        renameat(folder, name.c_str(), folder, target.c_str()) != 0) {
      return false;
    }
    name.clear();
    return true;
  }

  int folder;
  int fd = -1;
  std::string name;  // empty while the file has no name
};

std::string temporaryName(const std::string& base) {
  return temporaryPrefix(base) + randomLetters();
}

bool endsWith(const char* name, size_t size, const std::string& suffix) {
  return size >= suffix.size() &&
         std::memcmp(name + size - suffix.size(), suffix.data(),
                     suffix.size()) == 0;
}

// Removes a temporary that a save killed between naming and renaming it
// left behind: one of our naming that no process holds locked. Another
// user's, which we cannot open, stays.
void removeIfStale(int folder, const char* name) {
  Descriptor stale(
      openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  // A file that kept a write-only mode is still ours to remove.
  if (stale.fd < 0) {
    stale.fd =
        openat(folder, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  }
  struct stat opened;
  struct stat named;
  if (stale.fd >= 0 && fstat(stale.fd, &opened) == 0 &&
      S_ISREG(opened.st_mode) && flock(stale.fd, LOCK_EX | LOCK_NB) == 0 &&
      fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      sameFile(opened, named)) {
    unlinkat(folder, name, 0);
  }
}

// Goes through the folder once, for a save of `base` (the file `file`
// describes, when it exists): removes the temporaries that killed saves of
// `base` left, and returns the name of the file's own backup that an
// interrupted rewrite left, or "".
std::string tidyFolder(int folder, const std::string& base,
                       const struct stat* file) {
  // Nothing allocates while the listing is open.
  const std::string prefix = temporaryPrefix(base);
  const std::string suffix = file == nullptr ? "" : backupSuffix(*file);
  std::string backup;
  backup.reserve(NAME_MAX);
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* entries = listing < 0 ? nullptr : fdopendir(listing);
  if (entries == nullptr) {
    if (listing >= 0) close(listing);
    return backup;
  }
  while (const dirent* entry = readdir(entries)) {
    const char* name = entry->d_name;
    const size_t size = std::strlen(name);
    struct stat info;
    if (size == prefix.size() + 6 &&
        std::strncmp(name, prefix.c_str(), prefix.size()) == 0) {
      removeIfStale(folder, name);
    } else if (file != nullptr && backup.empty() && name[0] == '.' &&
               endsWith(name, size, suffix) &&
               fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
               isOwnBackup(info, *file)) {
      backup.assign(name, size);
    }
  }
  closedir(entries);
  return backup;
}

int openFolder(const std::string& folder) {
  // Syncing needs a readable descriptor; a folder we may only write into
  // and search is still usable, without the sync.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) return fd;
  return open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

bool pwriteAll(int fd, const char* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t written = pwrite(fd, data, size, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
    offset += written;
  }
  return true;
}

// Copies the first `size` bytes of `from` to `to`, from offset 0, and
// makes `to` exactly that long and durable.
bool copyContent(int from, int to, off_t size) {
  char buffer[1 << 16];
  off_t offset = 0;
  while (offset < size) {
    const ssize_t got = pread(from, buffer, sizeof buffer, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || !pwriteAll(to, buffer, static_cast<size_t>(got), offset)) {
      return false;
    }
    offset += got;
  }
  return ftruncate(to, size) == 0 && fsync(to) == 0;
}

// Gives `fresh` the owner, group, mode and access ACL of the file `info`
// and `old` describe. False where the process cannot: another owner
// without the right to give files away, a group it is not in, an ACL the
// folder's file system will not take.
bool copyIdentity(int old, int fresh, const struct stat& info) {
  struct stat now;
  if (fstat(fresh, &now) != 0) return false;
  if ((now.st_uid != info.st_uid || now.st_gid != info.st_gid) &&
      fchown(fresh,
             now.st_uid == info.st_uid ? static_cast<uid_t>(-1) : info.st_uid,
             info.st_gid) != 0) {
    return false;
  }
  if (fchmod(fresh, info.st_mode & 07777) != 0) return false;
  // Set even when it says no more than the mode: the new file may have
  // inherited entries from the folder's default ACL.
  acl_t acl = acl_get_fd(old);
  if (acl == nullptr) return errno == ENOTSUP;
  const bool copied = acl_set_fd(fresh, acl) == 0;
  acl_free(acl);
  return copied;
}

// How a save ended, with the errno of the call that failed for the
// outcomes the system refused (0 for the others).
struct Settled {
  // cppcheck-suppress unusedStructMember ; read through std::optional
  ReplaceOutcome outcome;
  int error = 0;
};

// Reads errno inside the return statement of the failing call: before
// the destructors of the caller's locals (closing, removing the temporary
// file) can change it.
Settled failure(ReplaceOutcome outcome) { return {outcome, errno}; }

// Rewrites `file` in place. Its old content is first copied into a
// hidden backup beside the name and made durable; only then is the file
// overwritten. A failure copies the old content back, and a process killed
// on the way leaves the backup for the operator to restore from.
Settled rewriteInPlace(int file, bool readable, const struct stat& info,
                       int folder, const std::string& base,
                       const std::string& content, std::string* backupName) {
  if (info.st_size > 0 && !readable)
    return failure(ReplaceOutcome::kCannotOpen);
  BesideFile backup(folder, base, 0600);
  if (backup.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
  // The file's owner is the one told to restore from it. Only root can
  // give it away; another user's backup of a shared file stays theirs.
  if (info.st_uid != geteuid() &&
      fchown(backup.fd, info.st_uid, info.st_gid) != 0) {
    // Not the owner's: a later save will not count it as the file's.
  }
  if (!copyContent(file, backup.fd, info.st_size)) {
    return failure(ReplaceOutcome::kWriteFailed);
  }
  *backupName = backupNameFor(base, info);
  if (!backup.linkAs(*backupName)) {
    // The caller found no backup of this file: whatever holds the name is
    // someone else's.
    return errno == EEXIST ? Settled{ReplaceOutcome::kBackupNameTaken}
                           : failure(ReplaceOutcome::kCannotOpen);
  }
  fsync(folder);

  const auto newSize = static_cast<off_t>(content.size());
  const bool written = pwriteAll(file, content.data(), content.size(), 0) &&
                       ftruncate(file, newSize) == 0 && fsync(file) == 0;
  const int writeError = errno;
  // Restoring writes the old bytes over blocks the file already had, so a
  // full disk does not stop it.
  if (!written && !copyContent(backup.fd, file, info.st_size)) {
    return failure(ReplaceOutcome::kBackupKept);
  }
  unlinkat(folder, backupName->c_str(), 0);
  fsync(folder);
  // The reason the save failed, not the restore's.
  return written ? Settled{ReplaceOutcome::kWritten}
                 : Settled{ReplaceOutcome::kWriteFailed, writeError};
}

// What one try at a save came to; nothing when the name was found to reach
// another file than the one opened (another save renamed a new file over
// it meanwhile, or created it), so that the save starts over.
using Attempt = std::optional<Settled>;

using Clock = std::chrono::steady_clock;

// How long a save waits for others of the same file to end.
constexpr auto kLockWait = std::chrono::seconds(10);

// Takes the save lock of the open file, waiting until `deadline` at most.
// A write lock of the open file description: only a descriptor open for
// writing can take one, so a user who may only read the file cannot hold
// its saves up, and the lock goes with the last descriptor of this open.
bool waitForLock(int fd, Clock::time_point deadline) {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;  // l_start 0, l_len 0: the whole file
  while (fcntl(fd, F_OFD_SETLK, &whole) != 0) {
    // A file system without locks saves as it would without them.
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Writes a new file beside its place and links it in only when complete.
Attempt createFile(const PathParts& parts, const std::string& content) {
  if (parts.base.empty()) {
    // A name ending in "/" can only be a folder.
    return Settled{ReplaceOutcome::kCannotOpen, EISDIR};
  }
  Descriptor folder(openFolder(parts.folder));
  if (folder.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
  tidyFolder(folder.fd, parts.base, nullptr);
  BesideFile fresh(folder.fd, parts.base, 0666);
  if (fresh.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
  if (!writeAll(fresh.fd, content) || fsync(fresh.fd) != 0) {
    return failure(ReplaceOutcome::kWriteFailed);
  }
  if (!fresh.linkAs(parts.base)) {
    if (errno == EEXIST) return std::nullopt;  // replace what was created
    return failure(ReplaceOutcome::kWriteFailed);
  }
  fsync(folder.fd);
  return Settled{ReplaceOutcome::kWritten};
}

// Saves over the regular file `reached`, which `fileName` reached, holding
// the file's lock throughout.
Attempt replaceRegularFile(const char* fileName, const PathParts& parts,
                           const struct stat& reached,
                           const std::string& content,
                           Clock::time_point deadline,
                           std::string* backupName) {
  // O_CREAT as the shell's ">" opens, so that the kernel refuses what it
  // refuses there (another user's file in a sticky folder under
  // fs.protected_regular), whichever way the file is then written.
  constexpr int kFlags = O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  bool readable = true;
  Descriptor file(open(fileName, O_RDWR | kFlags, 0666));
  if (file.fd < 0) {
    readable = false;
    file.fd = open(fileName, O_WRONLY | kFlags, 0666);
  }
  struct stat info;
  if (file.fd < 0 || fstat(file.fd, &info) != 0) {
    return failure(ReplaceOutcome::kCannotOpen);
  }
  if (!sameFile(info, reached)) return std::nullopt;
  if (fcntl(file.fd, F_SETFL, fcntl(file.fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    return failure(ReplaceOutcome::kCannotOpen);
  }
  if (!waitForLock(file.fd, deadline)) return Settled{ReplaceOutcome::kBusy};
  // The save that held the lock may have renamed a new file over the name.
  struct stat named;
  if (stat(fileName, &named) != 0 || !sameFile(named, info) ||
      fstat(file.fd, &info) != 0) {
    return std::nullopt;
  }
  Descriptor folder(openFolder(parts.folder));
  if (folder.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
  *backupName = tidyFolder(folder.fd, parts.base, &info);
  if (!backupName->empty()) return Settled{ReplaceOutcome::kBackupInTheWay};

  // The rename replaces the folder entry, so it must be the file the open
  // reached and hold its only name.
  struct stat entry;
  const bool soleEntry = fstatat(folder.fd, parts.base.c_str(), &entry,
                                 AT_SYMLINK_NOFOLLOW) == 0 &&
                         sameFile(entry, info) && info.st_nlink == 1;
  if (soleEntry) {
    BesideFile fresh(folder.fd, parts.base, 0600);
    if (fresh.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
    if (copyIdentity(file.fd, fresh.fd, info)) {
      if (!writeAll(fresh.fd, content) || fsync(fresh.fd) != 0 ||
          !fresh.putInPlaceOf(parts.base)) {
        return failure(ReplaceOutcome::kWriteFailed);
      }
      // The new name survives a power cut only once the folder is synced.
      fsync(folder.fd);
      return Settled{ReplaceOutcome::kWritten};
    }
  }
  return rewriteInPlace(file.fd, readable, info, folder.fd, parts.base, content,
                        backupName);
}

Attempt attemptReplace(const char* fileName, const PathParts& parts,
                       const std::string& content, Clock::time_point deadline,
                       std::string* backupName) {
  // The kernel walks the name as for any open, following links under its
  // own rules, without opening what it reaches: a FIFO would block.
  Descriptor reached(open(fileName, O_PATH | O_CLOEXEC));
  if (reached.fd < 0) {
    if (errno != ENOENT) return failure(ReplaceOutcome::kCannotOpen);
    struct stat link;
    if (lstat(fileName, &link) != 0) return createFile(parts, content);
    // A link to nothing yet: opening through it creates its target, in
    // the link's folder or elsewhere, which is then rewritten in place.
    Descriptor created(
        open(fileName, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
             0666));
    if (created.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
    reached.fd = open(fileName, O_PATH | O_CLOEXEC);
    if (reached.fd < 0) return failure(ReplaceOutcome::kCannotOpen);
  }
  struct stat info;
  if (fstat(reached.fd, &info) != 0)
    return failure(ReplaceOutcome::kCannotOpen);
  if (isOwnStream(info)) return Settled{ReplaceOutcome::kOwnStream};
  if (S_ISDIR(info.st_mode)) {
    return Settled{ReplaceOutcome::kCannotOpen, EISDIR};
  }
  if (S_ISREG(info.st_mode)) {
    return replaceRegularFile(fileName, parts, info, content, deadline,
                              backupName);
  }
  // Of the devices only /dev/null takes a save: a terminal, the kernel's
  // log or a disk is no place for one.
  if (!isNullDevice(info)) return Settled{ReplaceOutcome::kSpecialFile};
  const int device = reopenSame(fileName, O_WRONLY, info);
  if (device < 0) return failure(ReplaceOutcome::kCannotOpen);
  bool written = writeAll(device, content);
  if (close(device) != 0) written = false;
  return written ? Settled{ReplaceOutcome::kWritten}
                 : failure(ReplaceOutcome::kWriteFailed);
}

}  // namespace

bool writeAll(int fd, const std::string& content) {
  const char* data = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t written = write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

ReplaceOutcome replaceFileContent(const char* fileName,
                                  const std::string& content,
                                  std::string* backup, int* error) {
  const PathParts parts = splitPath(fileName);
  const Clock::time_point deadline = Clock::now() + kLockWait;
  for (;;) {
    std::string backupName;
    errno = 0;  // a failure the system gave no reason for names none
    const Attempt settled =
        attemptReplace(fileName, parts, content, deadline, &backupName);
    if (settled) {
      const ReplaceOutcome outcome = settled->outcome;
      if (error != nullptr) *error = settled->error;
      if (backup != nullptr && (outcome == ReplaceOutcome::kBackupInTheWay ||
                                outcome == ReplaceOutcome::kBackupKept ||
                                outcome == ReplaceOutcome::kBackupNameTaken)) {
        const std::string path = fileName;
        *backup = path.substr(0, path.size() - parts.base.size()) + backupName;
      }
      return outcome;
    }
    if (Clock::now() >= deadline) return ReplaceOutcome::kBusy;
  }
}

std::string replaceRefusal(ReplaceOutcome outcome, const char* fileName,
                           const std::string& backup, int error) {
  const std::string name = fileName;
  const std::string reason = systemReason(error);
  switch (outcome) {
    case ReplaceOutcome::kWritten:
      break;
    case ReplaceOutcome::kCannotOpen:
      return "✘ 无法打开文件 " + name + " 进行写入" + reason + "！\n";
    case ReplaceOutcome::kWriteFailed:
      return "✘ 写入文件 " + name + " 失败" + reason +
             "，文件未保存，原有内容保持不变！\n";
    case ReplaceOutcome::kSpecialFile:
      return "✘ 文件 " + name +
             " 不是普通文件或 /dev/null（如设备、管道、套接字），"
             "未写入任何内容！\n";
    case ReplaceOutcome::kOwnStream:
      return "✘ 文件 " + name +
             " 正连接着本程序的标准输入或输出，保存会毁掉它，未写入任何内容！"
             "\n";
    case ReplaceOutcome::kBusy:
      return "✘ 文件 " + name +
             " 正被另一次保存写入，等待超时，本次未写入任何内容！\n";
    case ReplaceOutcome::kBackupInTheWay:
      return "✘ 上次保存文件 " + name + " 时被中断，原有内容仍在 " + backup +
             " 中；请先用它恢复或删除它，本次未写入任何内容！\n";
    case ReplaceOutcome::kBackupNameTaken:
      return "✘ 无法在文件 " + name + " 旁建立备份 " + backup +
             "：该名字已被占用，本次未写入任何内容！\n";
    case ReplaceOutcome::kBackupKept:
      return "✘ 写入文件 " + name + " 失败" + reason +
             "，且未能恢复原有内容；原有内容在 " + backup +
             " 中，请用它恢复！\n";
  }
  return "";
}
