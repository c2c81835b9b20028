// Whitespace-separated reading with the rules of C's "%d" and "%s": the
// one place that decides how typed menu numbers, device codes and file
// names, and the tokens of a topology file, are taken apart.
#ifndef TOPOPLAN_READER_H_
#define TOPOPLAN_READER_H_

#include <istream>
#include <ostream>
#include <string>

// White space as C's isspace sees it in the "C" locale: what separates
// the words of a topology file and of typed input. UTF-8 bytes above 0x7F
// are never white space, so Chinese text stays inside its word.
inline bool isWhiteSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

class TokenReader {
 public:
  enum class Number { kRead, kOutOfRange, kNotNumber, kEndOfInput };

  // `prompts`, if given, is flushed whenever the reader is about to wait
  // for input, so that everything printed so far is visible first.
  explicit TokenReader(std::istream& in, std::ostream* prompts = nullptr);

  TokenReader(const TokenReader&) = delete;
  TokenReader& operator=(const TokenReader&) = delete;

  // Skips white space (line breaks included), then reads an optionally
  // signed decimal integer. kNotNumber consumes a lone sign but nothing
  // else; kOutOfRange consumes every digit of a number that does not fit
  // an int; kEndOfInput means the input ended before anything but white
  // space.
  Number readInt(int* value);

  // What becomes of the bytes of a word beyond what is kept of it.
  enum class Rest {
    kDiscard,  // consumed and thrown away: reading goes on after the word
    kLeave,    // left unread: the caller stops reading this input
  };

  // Skips white space, then reads one word up to the next white space or
  // the end of input, keeping at most `limit` + 1 of its bytes: a word
  // longer than `limit` comes back as `limit` + 1 bytes, which is how the
  // caller tells it was too long, while any input costs constant memory.
  // False when the input ended before a word began.
  bool readWord(std::string* word, size_t limit, Rest rest = Rest::kDiscard);

  // Throws away everything up to and including the next line break.
  void discardLine();

  // True once a read came back empty-handed because the input had ended
  // (a number or word that merely ends at the end of input was still read).
  bool ended() const { return ended_; }

  // Skips white space; true when anything but white space follows. Reads
  // up to the next such byte or the end of the input, and no further.
  bool textFollows();

  // The line, counted from 1, of the next byte to read; at the end of the
  // input, that of the last byte read, so a refusal there names the last
  // line and not the empty one after its line break.
  long long line() const;

 private:
  int peek();
  void advance();
  void skipSpace();

  std::streambuf* buffer_;
  std::ostream* prompts_;
  bool sawEnd_ = false;  // sticky: a terminal's end-of-file is not read past
  bool ended_ = false;
  long long lineBreaks_ = 0;  // consumed so far
  bool lastWasBreak_ = false;
};

#endif  // TOPOPLAN_READER_H_
