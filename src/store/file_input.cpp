#include "file_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

Descriptor::~Descriptor() {
  if (fd >= 0) close(fd);
}

int reopenSame(const char* name, int flags, const struct stat& expected) {
  // O_NONBLOCK keeps a FIFO swapped in meanwhile from blocking the open;
  // it is cleared again.
  const int fd = open(name, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat info;
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (info.st_dev != expected.st_dev || info.st_ino != expected.st_ino) {
    error = -1;  // no reason the system could name
  }
  if (error == 0 && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    error = errno;
  }
  if (error == 0) return fd;
  close(fd);
  errno = error < 0 ? 0 : error;  // the failure's reason, not the close's
  return -1;
}

InputOpening openForReading(const char* fileName, Descriptor* file) {
  InputOpening opening;
  const Descriptor reached(open(fileName, O_PATH | O_CLOEXEC));
  struct stat info;
  if (reached.fd < 0 || fstat(reached.fd, &info) != 0) {
    opening.error = errno;
    return opening;
  }
  if (S_ISDIR(info.st_mode)) {
    opening.error = EISDIR;
    return opening;
  }
  if (!S_ISREG(info.st_mode)) {
    opening.status = OpenOutcome::kSpecialFile;
    return opening;
  }
  file->fd = reopenSame(fileName, O_RDONLY, info);
  if (file->fd < 0) {
    opening.error = errno;
    return opening;
  }
  opening.status = OpenOutcome::kOpened;
  return opening;
}

InputOpening openInput(const char* name, Descriptor* file) {
  if (std::strcmp(name, kStandardInputName) != 0) {
    return openForReading(name, file);
  }
  InputOpening opening;
  file->fd = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  if (file->fd < 0) {
    opening.error = errno;
  } else {
    opening.status = OpenOutcome::kOpened;
  }
  return opening;
}

ssize_t readBlock(int fd, char* block, size_t size) {
  ssize_t got;
  do {
    got = read(fd, block, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

SystemStatus readRemaining(int fd, std::string* text) {
  char block[65536];
  ssize_t got;
  while ((got = readBlock(fd, block, sizeof block)) > 0) {
    text->append(block, static_cast<size_t>(got));
  }
  return got == 0 ? SystemStatus{} : SystemStatus::failure();
}
