// Stream buffers over a raw file descriptor, for the program's standard
// input and output: large blocks, no hidden copies, and write failures
// that reach the stream as errors.
#ifndef TOPOPLAN_FD_STREAM_H_
#define TOPOPLAN_FD_STREAM_H_

#include <streambuf>
#include <string>

class FdInputBuf : public std::streambuf {
 public:
  explicit FdInputBuf(int fd) : fd_(fd) {}
  // Yields `alreadyRead` first, then what `fd` holds: for input whose
  // first bytes were read to tell what kind of text it is.
  FdInputBuf(int fd, std::string alreadyRead);

  // Whether reading stopped at an error rather than at the end: the
  // stream sees both as its end.
  bool failed() const { return failed_; }
  // The errno value of that error.
  int error() const { return error_; }

 protected:
  int_type underflow() override;
  std::streamsize showmanyc() override;

 private:
  int fd_;
  bool failed_ = false;
  std::string alreadyRead_;
  int error_ = 0;
  char buffer_[1 << 14];
};

class FdOutputBuf : public std::streambuf {
 public:
  explicit FdOutputBuf(int fd);
  ~FdOutputBuf() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool drain();

  int fd_;
  bool failed_ = false;
  char buffer_[1 << 14];  // large enough for a table, small enough to stay
                          // resident from the first screen on
};

// Puts /dev/null on any of descriptors 0, 1 and 2 that a parent left
// closed, so that files and pipes the program opens never land there and
// get its prompts or its output mixed in. It is opened for reading only:
// output to a standard stream that was closed still fails, and is
// reported, as it would have.
void occupyClosedStandardStreams();

#endif  // TOPOPLAN_FD_STREAM_H_
