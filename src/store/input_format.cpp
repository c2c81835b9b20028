#include "input_format.h"

#include <algorithm>
#include <cstddef>

#include "file_input.h"
#include "reader.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// How much white space is held before it is dropped for its line count.
constexpr size_t kHeldWhiteSpace = 1 << 16;

// Whether `head` starts with the UTF-8 byte order mark, and whether it is
// the start of one, cut short so far.
bool startsWithMark(std::string_view head) {
  return head.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

bool mayBeMarkCutShort(std::string_view head) {
  return head.size() < kByteOrderMark.size() &&
         kByteOrderMark.substr(0, head.size()) == head;
}

}  // namespace

InputFormat sniffInputFormat(std::string_view head) {
  if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") {
    return InputFormat::kGraphml;
  }
  if (mayBeMarkCutShort(head)) return InputFormat::kUndecided;
  size_t at = startsWithMark(head) ? kByteOrderMark.size() : 0;
  while (at < head.size() &&
         isWhiteSpace(static_cast<unsigned char>(head[at]))) {
    ++at;
  }
  if (at == head.size()) return InputFormat::kUndecided;
  return head[at] == '<' ? InputFormat::kGraphml : InputFormat::kTopologyFile;
}

InputHead readInputHead(int fd) {
  InputHead head;
  char block[4096];
  for (;;) {
    const ssize_t got = readBlock(fd, block, sizeof block);
    if (got < 0) {
      head.read = SystemStatus::failure();
      return head;
    }
    if (got == 0) break;
    head.text.append(block, static_cast<size_t>(got));
    head.format = sniffInputFormat(head.text);
    if (head.format != InputFormat::kUndecided) break;
    // All white space so far: keep its line breaks as a count, and the
    // last of them, so that the lines the reader counts from there on are
    // right.
    if (head.text.size() < kHeldWhiteSpace || mayBeMarkCutShort(head.text)) {
      continue;
    }
    size_t mark = startsWithMark(head.text) ? kByteOrderMark.size() : 0;
    size_t cut = head.text.rfind('\n');
    if (cut == std::string::npos || cut < mark) {
      cut = head.text.size();  // no line break: nothing to count
    } else if (cut == mark) {
      ++mark;  // the kept line break; what follows it holds none
      cut = head.text.size();
    }
    const auto from = head.text.begin() + static_cast<std::ptrdiff_t>(mark);
    const auto to = head.text.begin() + static_cast<std::ptrdiff_t>(cut);
    head.skippedLines += std::count(from, to, '\n');
    head.text.erase(mark, cut - mark);
  }
  if (head.format == InputFormat::kGraphml &&
      (head.text[0] == '\xFF' || head.text[0] == '\xFE')) {
    return head;  // UTF-16: no mark or white space of ours to take off
  }
  if (startsWithMark(head.text)) {
    head.byteOrderMark = true;
    head.text.erase(0, kByteOrderMark.size());
  }
  return head;
}
