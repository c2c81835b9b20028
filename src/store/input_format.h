// Telling a GraphML file from a topology file by what it holds: the one
// rule every reader of either uses.
#ifndef TOPOPLAN_STORE_INPUT_FORMAT_H_
#define TOPOPLAN_STORE_INPUT_FORMAT_H_

#include <string>
#include <string_view>

#include "system_error.h"

enum class InputFormat {
  kUndecided,     // nothing yet but white space (or a mark cut short)
  kTopologyFile,  // the first other byte is anything but "<"
  kGraphml,       // XML: "<" first, or a UTF-16 byte order mark
};

// The format of an input that starts with `head`, decided by its first
// byte that is neither white space (isWhiteSpace, as the topology file
// sees it) nor part of a leading UTF-8 byte order mark, however far in
// that byte is; a UTF-16 byte order mark decides GraphML at once. O(n).
InputFormat sniffInputFormat(std::string_view head);

// The start of an input, read until its format is decided.
struct InputHead {
  // kUndecided when the input ended, or reading failed, before any byte
  // decided.
  InputFormat format = InputFormat::kUndecided;
  bool byteOrderMark = false;  // a UTF-8 mark came first; not in `text`
  // Line breaks of leading white space that were read and dropped, so
  // that a long run of it costs no memory; `text` starts on the line after
  // the last of them.
  long long skippedLines = 0;
  std::string text;  // what was read and kept, ending with the deciding
                     // byte's block
  SystemStatus read;
};

// Reads the start of `fd` until a byte decides its format or the input
// ends. Memory: about one block beside the deciding byte, whatever the
// amount of white space before it.
InputHead readInputHead(int fd);

#endif  // TOPOPLAN_STORE_INPUT_FORMAT_H_
