#include "fd_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

FdInputBuf::FdInputBuf(int fd, std::string alreadyRead)
    : fd_(fd), alreadyRead_(std::move(alreadyRead)) {
  char* const start = alreadyRead_.data();
  setg(start, start, start + alreadyRead_.size());
}

FdInputBuf::int_type FdInputBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  ssize_t count;
  do {
    count = read(fd_, buffer_, sizeof buffer_);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    failed_ = true;
    error_ = errno;
  }
  if (count <= 0) return traits_type::eof();
  setg(buffer_, buffer_, buffer_ + count);
  return traits_type::to_int_type(*gptr());
}

// Only what is already buffered is known to be there without waiting.
std::streamsize FdInputBuf::showmanyc() { return 0; }

FdOutputBuf::FdOutputBuf(int fd) : fd_(fd) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

FdOutputBuf::~FdOutputBuf() { drain(); }

bool FdOutputBuf::drain() {
  const char* data = pbase();
  while (data < pptr() && !failed_) {
    const ssize_t written = write(fd_, data, pptr() - data);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      break;
    }
    data += written;
  }
  setp(buffer_, buffer_ + sizeof buffer_);
  return !failed_;
}

FdOutputBuf::int_type FdOutputBuf::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int FdOutputBuf::sync() { return drain() ? 0 : -1; }

void occupyClosedStandardStreams() {
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one, as the lower ones are open.
    const int fd = open("/dev/null", O_RDONLY);
    if (fd >= 0 && fd != stream) close(fd);
  }
}
