// Opening and saving files as the shell's redirections would reach them,
// without ever leaving a half-written file behind.
#ifndef TOPOPLAN_FILE_REPLACE_H_
#define TOPOPLAN_FILE_REPLACE_H_

#include <string>

// A descriptor closed when it goes out of scope. Only files whose close
// cannot lose data are closed this way: what is written is fsynced first.
struct Descriptor {
  explicit Descriptor(int value = -1) : fd(value) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

enum class ReplaceOutcome {
  kWritten,         // the file holds exactly `content`
  kCannotOpen,      // the kernel refused the name, or nothing could be
                    // written beside it; nothing was touched
  kWriteFailed,     // writing failed part-way; the old file, if any, is
                    // intact
  kSpecialFile,     // a FIFO, socket or the like; nothing was touched
  kOwnStream,       // the very file or pipe this process's standard input,
                    // output or error is connected to; nothing was touched
  kBackupInTheWay,  // an interrupted earlier save left the old content
                    // beside the file (see backupNameOf); nothing touched
  kBackupKept,      // writing in place failed and the old content could
                    // not be put back: it is in the backup beside the file
};

// Writes all of `content` to `fd`, retrying short and interrupted writes.
// A write that makes no progress is a failure.
bool writeAll(int fd, const std::string& content);

// Gives `fileName` the bytes of `content`. The name is opened as an
// ordinary open would reach it: links are followed by the kernel, with
// every protection that applies to following them. A character device is
// written through. A regular file is written beside its place and renamed
// over it once complete and on disk, with the old file's owner, group,
// mode and ACL; a new file gets what the umask and the folder's default
// ACL give it. Where a rename would lose something (the name is a link,
// the file has other hard links, or its owner or ACL cannot be given to a
// new file) the file is rewritten in place, its old content kept in a
// backup beside the name (backupNameOf) until the new content is on disk.
// Anything else, and the files this process's standard streams are
// connected to, are refused at once.
ReplaceOutcome replaceFileContent(const char* fileName,
                                  const std::string& content);

// Where an in-place rewrite of `fileName` keeps the old content: a hidden
// name beside it, left behind only by a save that was killed or could not
// put the old content back.
std::string backupNameOf(const char* fileName);

// The message for a save of `fileName` that did not succeed ("" for
// kWritten), ending in a line break.
std::string replaceRefusal(ReplaceOutcome outcome, const char* fileName);

enum class OpenOutcome { kOpened, kCannotOpen, kSpecialFile };

// Opens `fileName` for reading as an ordinary open would reach it. A
// FIFO, socket or anything else that is neither a regular file nor a
// character device is refused without being opened, since opening or
// reading it could wait forever; so is a directory.
OpenOutcome openForReading(const char* fileName, Descriptor* file);

// Follows "✘ 文件 NAME" when a file was refused by kSpecialFile.
extern const char kSpecialFileRefusal[];

#endif  // TOPOPLAN_FILE_REPLACE_H_
