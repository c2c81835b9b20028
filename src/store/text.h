// Building output lines in a string before writing them in one piece: the
// tables print thousands of numbers, and formatting each one through the
// stream costs several times as much as the digits themselves.
#ifndef TOPOPLAN_TEXT_H_
#define TOPOPLAN_TEXT_H_

#include <charconv>
#include <cstring>
#include <ostream>
#include <string>

#include "decimal.h"
#include "latency_matrix.h"

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

#endif  // TOPOPLAN_TEXT_H_
