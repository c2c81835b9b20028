// Building output lines in a string before writing them in one piece: the
// tables print thousands of numbers, and formatting each one through the
// stream costs several times as much as the digits themselves.
#ifndef TOPOPLAN_TEXT_H_
#define TOPOPLAN_TEXT_H_

#include <charconv>
#include <string>

// Appends `value` in decimal, as "%d" writes it.
inline void appendNumber(std::string* text, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text->append(digits, static_cast<size_t>(result.ptr - digits));
}

#endif  // TOPOPLAN_TEXT_H_
