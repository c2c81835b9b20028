// Reading files and standard input: opening only what cannot block, and
// reading to the end, each refusal with the system's reason captured at
// the call that failed.
#ifndef TOPOPLAN_STORE_FILE_INPUT_H_
#define TOPOPLAN_STORE_FILE_INPUT_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "system_error.h"

// A descriptor closed when it goes out of scope. Only files whose close
// cannot lose data are closed this way: what is written is fsynced first.
struct Descriptor {
  explicit Descriptor(int value = -1) : fd(value) {}
  ~Descriptor();
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int fd;
};

enum class OpenOutcome { kOpened, kCannotOpen, kSpecialFile };

// What opening an input came to. On kCannotOpen, `error` is the errno of
// the call that failed (EISDIR for a directory).
struct InputOpening {
  OpenOutcome status = OpenOutcome::kCannotOpen;
  int error = 0;
};

// Opens `fileName` for reading as an ordinary open would reach it. Only a
// regular file is opened: anything else is refused without being opened,
// since opening or reading a FIFO, socket or device could wait forever;
// so is a directory.
InputOpening openForReading(const char* fileName, Descriptor* file);

// The name that stands for standard input where a command reads its input.
constexpr char kStandardInputName[] = "-";

// Opens a command's input: kStandardInputName is standard input, whatever
// it is (a file, a pipe, a terminal: the user chose it by that name), on
// a descriptor of its own; any other name as openForReading opens it.
InputOpening openInput(const char* name, Descriptor* file);

// Opens `name` again with `flags` and checks that the walk reached the
// file `expected` describes: the descriptor, or -1 with errno set by the
// call that failed (0 when another file took the name meanwhile).
int reopenSame(const char* name, int flags, const struct stat& expected);

// Reads what `fd` has, up to `size` bytes, into `block`, again when a
// signal interrupts: the bytes read, 0 at the end of the input, or -1
// with errno set by the read.
ssize_t readBlock(int fd, char* block, size_t size);

// Appends everything left to read on `fd` to `text`, up to the end of the
// input; on failure, with the read's reason.
SystemStatus readRemaining(int fd, std::string* text);

// Follows "✘ 文件 NAME" when a load was refused by kSpecialFile. Here
// rather than in the .cpp, so that the loader's messages need no file code.
constexpr char kSpecialFileRefusal[] =
    " 不是普通文件（如设备、管道、套接字），未读取任何内容！";

#endif  // TOPOPLAN_STORE_FILE_INPUT_H_
