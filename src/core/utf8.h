// UTF-8 by the one strict rule every reader and writer of text here uses:
// a character is the shortest encoding of a code point up to U+10FFFF
// that is not a surrogate. No I/O, no allocation.
#ifndef TOPOPLAN_CORE_UTF8_H_
#define TOPOPLAN_CORE_UTF8_H_

#include <cstddef>
#include <string_view>

// U+FFFD, which stands for one bad character where text is repaired.
constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";

struct Utf8Character {
  char32_t point = 0;  // the code point; U+FFFD when not valid
  size_t length = 0;   // its bytes, at least 1
  bool valid = false;
};

// The character at text[at], `at` < text.size(). A bad one is the longest
// start of a well-formed sequence found there, at least one byte: a
// sequence cut short is one bad character, and so is a stray continuation
// byte, an overlong form's or surrogate's lead, and a byte that starts
// nothing (C0, C1, F5 to FF). O(1).
Utf8Character decodeUtf8(std::string_view text, size_t at);

// Whether all of `text` is well-formed UTF-8 by the rule above. O(n).
bool isUtf8(std::string_view text);

// The columns a terminal gives `text`: two for East Asian wide and
// fullwidth characters, one for any other character and for each bad one
// (the terminal shows one replacement mark). O(n).
int displayWidth(std::string_view text);

#endif  // TOPOPLAN_CORE_UTF8_H_
