// Numbers as text, for every module that builds output in a string: the
// tables and files print thousands of numbers, and formatting each one
// through a stream costs several times as much as the digits themselves.
#ifndef TOPOPLAN_CORE_DECIMAL_H_
#define TOPOPLAN_CORE_DECIMAL_H_

#include <charconv>
#include <string>

// Appends `value` in decimal, as "%d" writes it.
inline void appendNumber(std::string* text, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text->append(digits, static_cast<size_t>(result.ptr - digits));
}

#endif  // TOPOPLAN_CORE_DECIMAL_H_
