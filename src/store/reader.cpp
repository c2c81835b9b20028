#include "reader.h"

#include <climits>

namespace {

bool isDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

TokenReader::TokenReader(std::istream& in, std::ostream* prompts)
    : buffer_(in.rdbuf()), prompts_(prompts) {}

int TokenReader::peek() {
  if (sawEnd_ || buffer_ == nullptr) {
    sawEnd_ = true;
    return EOF;
  }
  if (prompts_ != nullptr && buffer_->in_avail() <= 0) prompts_->flush();
  const auto c = buffer_->sgetc();
  if (c == std::streambuf::traits_type::eof()) {
    sawEnd_ = true;
    return EOF;
  }
  return static_cast<unsigned char>(c);
}

void TokenReader::advance() {
  lastWasBreak_ = buffer_->sbumpc() == '\n';
  if (lastWasBreak_) ++lineBreaks_;
}

void TokenReader::skipSpace() {
  while (isWhiteSpace(peek())) advance();
}

bool TokenReader::textFollows() {
  skipSpace();
  return peek() != EOF;
}

long long TokenReader::line() const {
  if (sawEnd_ && lastWasBreak_) return lineBreaks_;
  return lineBreaks_ + 1;
}

TokenReader::Number TokenReader::readInt(int* value) {
  skipSpace();
  int c = peek();
  if (c == EOF) {
    ended_ = true;
    return Number::kEndOfInput;
  }
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    advance();
    c = peek();
  }
  if (!isDigit(c)) return Number::kNotNumber;
  // Saturate well past the int range so that any run of digits is consumed
  // without overflowing the accumulator.
  long long magnitude = 0;
  while (isDigit(c)) {
    if (magnitude <= LLONG_MAX / 100) magnitude = magnitude * 10 + (c - '0');
    advance();
    c = peek();
  }
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT_MIN || signedValue > INT_MAX) {
    return Number::kOutOfRange;
  }
  *value = static_cast<int>(signedValue);
  return Number::kRead;
}

bool TokenReader::readWord(std::string* word, size_t limit, Rest rest) {
  word->clear();
  skipSpace();
  int c = peek();
  if (c == EOF) {
    ended_ = true;
    return false;
  }
  while (c != EOF && !isWhiteSpace(c)) {
    if (word->size() > limit) {
      if (rest == Rest::kLeave) break;
    } else {
      word->push_back(static_cast<char>(c));
    }
    advance();
    c = peek();
  }
  return true;
}

void TokenReader::discardLine() {
  for (int c = peek(); c != EOF; c = peek()) {
    advance();
    if (c == '\n') return;
  }
  // The input ended inside the line. The next read reports that, without
  // waiting, so the menu loop ends the same way as after a full line.
}
