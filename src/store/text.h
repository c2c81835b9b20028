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

#include "latency_matrix.h"

// Appends `value` in decimal, as "%d" writes it.
inline void appendNumber(std::string* text, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text->append(digits, static_cast<size_t>(result.ptr - digits));
}

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

// The length of the valid UTF-8 character that starts at text[at], or 0
// when none does (a stray, overlong, surrogate or cut-short sequence).
inline size_t utf8CharacterLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) {
    return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0U;
  };
  const unsigned lead = byte(0);
  if (lead < 0x80) return 1;
  // The allowed range of the second byte narrows after some leads.
  unsigned low = 0x80;
  unsigned high = 0xBF;
  size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0U) != 0x80U) return 0;
  }
  return length;
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
    const size_t length = utf8CharacterLength(text, at);
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
