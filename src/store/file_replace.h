// Saving without ever leaving a half-written file behind.
#ifndef TOPOPLAN_FILE_REPLACE_H_
#define TOPOPLAN_FILE_REPLACE_H_

#include <string>

enum class ReplaceOutcome {
  kWritten,      // the file holds exactly `content`
  kCannotOpen,   // nothing could be written there; nothing was touched
  kWriteFailed,  // writing failed part-way; the old file, if any, is intact
};

// Writes all of `content` to `fd`, retrying short and interrupted writes.
bool writeAll(int fd, const std::string& content);

// Gives `fileName` the bytes of `content`. A regular file is written beside
// its final place and renamed over it only once the new content is
// complete and on disk, keeping the old file's permission bits. A symbolic
// link is followed. Devices and pipes are written in place.
ReplaceOutcome replaceFileContent(const char* fileName,
                                  const std::string& content);

#endif  // TOPOPLAN_FILE_REPLACE_H_
