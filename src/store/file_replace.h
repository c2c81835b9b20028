// Saving files as the shell's redirection would reach them, without ever
// leaving a half-written file behind.
#ifndef TOPOPLAN_STORE_FILE_REPLACE_H_
#define TOPOPLAN_STORE_FILE_REPLACE_H_

#include <string>

#include "file_input.h"

enum class ReplaceOutcome {
  kWritten,          // the file holds exactly `content`
  kCannotOpen,       // the kernel refused the name, or nothing could be
                     // written beside it; nothing was touched
  kWriteFailed,      // writing failed part-way; the old file, if any, is
                     // intact
  kSpecialFile,      // neither a regular file nor /dev/null; nothing was
                     // touched
  kOwnStream,        // the very file or pipe this process's standard
                     // input, output or error is connected to; nothing
                     // was touched
  kBusy,             // other saves of the file went on past the wait;
                     // nothing was touched
  kBackupInTheWay,   // an interrupted earlier save left the file's old
                     // content in its backup; nothing was touched
  kBackupNameTaken,  // the backup's name is held by a file that is not
                     // the file's backup; nothing was touched
  kBackupKept,       // writing in place failed and the old content could
                     // not be put back: it is in the backup beside the file
};

// Writes all of `content` to `fd`, retrying short and interrupted writes.
// A write that makes no progress is a failure.
bool writeAll(int fd, const std::string& content);

// Gives `fileName` the bytes of `content`. The name is opened as the
// shell's ">" would reach it: links are followed by the kernel, with every
// protection that applies to following them, and a file the kernel would
// not open for writing with O_CREAT is refused. /dev/null is written
// through. A regular file is written beside its place and renamed over it
// once complete and on disk, with the old file's owner, group, mode and
// ACL; a new file gets what the umask and the folder's default ACL give
// it. Where a rename would lose something (the name is a link, the file
// has other hard links, or its owner or ACL cannot be given to a new file)
// the file is rewritten in place, its old content kept in a backup beside
// the name until the new content is on disk. The backup's name ends in
// the file's device and inode, so a save through any of the file's names
// in that folder finds one a killed save left; only a backup of the
// file's owner, readable by them and writable by nobody else, counts.
// The whole save holds a write lock on the file (fcntl, of the open file
// description), which only a descriptor open for writing can take: a user
// who may only read the file cannot hold its saves up. A save that finds
// another going on waits for it, ten seconds at most. Anything else, and the
// files this process's standard streams are connected to, are refused at
// once. For the outcomes that name a backup, `backup` (if given) gets its
// path; for kCannotOpen, kWriteFailed and kBackupKept, `error` (if given)
// gets the errno value of the refusal, or 0 where none is known.
ReplaceOutcome replaceFileContent(const char* fileName,
                                  const std::string& content,
                                  std::string* backup, int* error = nullptr);

// The message for a save of `fileName` that did not succeed ("" for
// kWritten), ending in a line break; `backup` is what the save named, and
// a nonzero `error` is named as the reason of a refusal from the system.
std::string replaceRefusal(ReplaceOutcome outcome, const char* fileName,
                           const std::string& backup, int error = 0);

#endif  // TOPOPLAN_STORE_FILE_REPLACE_H_
