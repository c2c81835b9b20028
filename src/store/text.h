// Building output lines in a string before writing them in one piece: the
// tables print thousands of numbers, and formatting each one through the
// stream costs several times as much as the digits themselves.
#ifndef TOPOPLAN_TEXT_H_
#define TOPOPLAN_TEXT_H_

#include <charconv>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

#include "decimal.h"
#include "latency_matrix.h"
#include "utf8.h"

// Writes one row of a latency table: `code`, a tab, each of the `count`
// values in decimal followed by a tab, and a line break. With `noRoute`,
// a value above kLargestLatency is written as that text instead. The
// cells are formatted in a buffer and written a few hundred bytes at a
// time.
inline void writeTableRow(std::ostream& out, const char* code,
                          const int* values, int count,
                          const char* noRoute = nullptr) {
  char buffer[512];
  char* const end = buffer + sizeof buffer;
  char* cursor = buffer;
  const size_t noRouteLength = noRoute == nullptr ? 0 : std::strlen(noRoute);
  out << code << '\t';
  for (int j = 0; j < count; ++j) {
    // Room for the longest int, or the text, and the tab.
    if (static_cast<size_t>(end - cursor) < 13 + noRouteLength) {
      out.write(buffer, cursor - buffer);
      cursor = buffer;
    }
    if (noRoute != nullptr && values[j] > kLargestLatency) {
      std::memcpy(cursor, noRoute, noRouteLength);
      cursor += noRouteLength;
    } else {
      cursor = std::to_chars(cursor, end, values[j]).ptr;
    }
    *cursor++ = '\t';
  }
  *cursor++ = '\n';
  out.write(buffer, cursor - buffer);
}

enum class LineBreaks { kEscaped, kKept };

// `text` made safe to show on a terminal: each control character (C0 with
// tabs and line breaks, DEL) and each byte that starts no valid UTF-8
// character as \xHH, each C1 control as \u0080 ... \u009F; all else byte
// for byte. Every message of the non-menu commands that quotes a name, a
// code or other text from a file or an argument passes it through here,
// so that the text can neither move the cursor nor command the terminal.
// With LineBreaks::kKept, "\n" stays: for whole messages, made of lines.
inline std::string escapeControls(std::string_view text,
                                  LineBreaks breaks = LineBreaks::kEscaped) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const Utf8Character character = decodeUtf8(text, at);
    const size_t length = character.valid ? character.length : 0;
    const bool c1 = lead == 0xC2 && length == 2 &&
                    static_cast<unsigned char>(text[at + 1]) < 0xA0;
    const bool control = length == 1 && (lead < 0x20 || lead == 0x7F) &&
                         !(lead == '\n' && breaks == LineBreaks::kKept);
    if (c1) {
      const auto code = static_cast<unsigned char>(text[at + 1]);  // U+0080...
      shown.append("\\u00").append(1, kDigits[code >> 4]);
      shown.append(1, kDigits[code & 0xFU]);
    } else if (control || length == 0) {
      shown.append("\\x").append(1, kDigits[lead >> 4]);
      shown.append(1, kDigits[lead & 0xFU]);
    } else {
      shown.append(text, at, length);
      at += length;
      continue;
    }
    at += length == 0 ? 1 : length;
  }
  return shown;
}

#endif  // TOPOPLAN_TEXT_H_
