#include "utf8.h"

namespace {

// The length of the sequence `lead` starts and the bounds of its second
// byte, which rule out overlong forms (E0, F0), surrogates (ED) and code
// points past U+10FFFF (F4); 0 for a byte that starts none.
size_t sequenceOf(unsigned lead, unsigned* low, unsigned* high) {
  *low = 0x80;
  *high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (lead == 0xE0) *low = 0xA0;
    if (lead == 0xED) *high = 0x9F;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (lead == 0xF0) *low = 0x90;
    if (lead == 0xF4) *high = 0x8F;
    return 4;
  }
  return 0;
}

bool isWide(char32_t point) {
  return (point >= 0x1100 && point <= 0x115F) ||
         (point >= 0x2E80 && point <= 0xA4CF && point != 0x303F) ||
         (point >= 0xAC00 && point <= 0xD7A3) ||
         (point >= 0xF900 && point <= 0xFAFF) ||
         (point >= 0xFE30 && point <= 0xFE4F) ||
         (point >= 0xFF00 && point <= 0xFF60) ||
         (point >= 0xFFE0 && point <= 0xFFE6) ||
         (point >= 0x20000 && point <= 0x3FFFD);
}

}  // namespace

Utf8Character decodeUtf8(std::string_view text, size_t at) {
  const auto byte = [&text](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  Utf8Character character;
  character.point = 0xFFFD;
  character.length = 1;
  const unsigned lead = byte(at);
  unsigned low = 0;
  unsigned high = 0;
  const size_t size = sequenceOf(lead, &low, &high);
  if (size == 0) return character;
  char32_t point = size == 1 ? lead : lead & (0x7FU >> size);
  for (size_t i = 1; i < size; ++i) {
    if (at + i >= text.size() || byte(at + i) < low || byte(at + i) > high) {
      character.length = i;  // what came so far is the one bad character
      return character;
    }
    point = point << 6 | (byte(at + i) & 0x3FU);
    low = 0x80;  // the later bytes are any continuation byte
    high = 0xBF;
  }
  character.point = point;
  character.length = size;
  character.valid = true;
  return character;
}

bool isUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const Utf8Character character = decodeUtf8(text, at);
    if (!character.valid) return false;
    at += character.length;
  }
  return true;
}

int displayWidth(std::string_view text) {
  int width = 0;
  for (size_t at = 0; at < text.size();) {
    const Utf8Character character = decodeUtf8(text, at);
    width += character.valid && isWide(character.point) ? 2 : 1;
    at += character.length;
  }
  return width;
}
