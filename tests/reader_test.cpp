#include "reader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Number = TokenReader::Number;

TEST(TokenReader, ReadsNumbersAndWordsAcrossLines) {
  std::istringstream in("  3 4\n\n net.txt\t-7");
  TokenReader reader(in);
  int value = 0;
  std::string word;
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, 4);
  EXPECT_TRUE(reader.readWord(&word, 7));
  EXPECT_EQ(word, "net.txt");
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, -7);
  EXPECT_FALSE(reader.ended());
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kEndOfInput);
  EXPECT_TRUE(reader.ended());
}

// Runs one call per letter of `script` (n: readInt, w: readWord, s and
// S: readWord limited to 3 bytes, discarding or leaving the rest, d:
// discardLine) and tells what each gave: the number or the word; "range",
// "nan" or "EOF" when none was read; "-" for a discarded line. A "$"
// marks each call after which the reader reports the input ended.
std::string run(const std::string& input, const std::string& script) {
  std::istringstream in(input);
  TokenReader reader(in);
  // By TokenReader::Number, in its order.
  const char* const failures[] = {"", "range", "nan", "EOF"};
  std::string transcript;
  for (char call : script) {
    std::string result = "-";
    if (call == 'n') {
      int value = 0;
      const Number read = reader.readInt(&value);
      result = read == Number::kRead ? std::to_string(value)
                                     : failures[static_cast<int>(read)];
    } else if (call == 'w' || call == 's' || call == 'S') {
      const size_t limit = call == 'w' ? 1000 : 3;
      const auto rest =
          call == 'S' ? TokenReader::Rest::kLeave : TokenReader::Rest::kDiscard;
      if (!reader.readWord(&result, limit, rest)) result = "EOF";
    } else if (call == 'd') {
      reader.discardLine();
    }
    transcript +=
        (transcript.empty() ? "" : " ") + result + (reader.ended() ? "$" : "");
  }
  return transcript;
}

TEST(TokenReader, FollowsTheRulesOfNumbersWordsAndLines) {
  const std::string cases[][3] = {
      {"+5 x", "nw", "5 x"},
      {" \t\r\n\v\f\n-0", "nw", "0 EOF$"},
      {"2x", "nw", "2 x"},
      {"2147483647 -2147483648,", "nnw", "2147483647 -2147483648 ,"},
      {"2147483648 y", "nw", "range y"},
      {"-2147483649y", "nw", "range y"},
      {"123456789012345678901234567890 z", "nw", "range z"},
      {"- 5", "nw", "nan 5"},
      {"-", "nw", "nan EOF$"},
      {"+x x1", "nwnw", "nan x nan x1"},
      {"一2", "nw", "nan 一2"},
      {" \r\n\t", "nn", "EOF$ EOF$"},
      {"a\tb\r\nc\vd\fe", "wwwwww", "a b c d e EOF$"},
      {"校园网\u00a0核心 x\xff\x80y", "ww", "校园网\u00a0核心 x\xff\x80y"},
      {"a\0b\x01 c"s, "www", "a\0b\x01 c EOF$"s},
      {"abc def\nnext", "dw", "- next"},
      {"abc abcd abcdefgh\nz", "sssw", "abc abcd abcd z"},
      {"abcdefgh z", "Sw", "abcd efgh"},
      {"abcdefgh", "ss", "abcd EOF$"},
      {"2x rest\n7", "ndn", "2 - 7"},
      {"x\r\n\ny", "dw", "- y"},
      {"x\n", "dw", "- EOF$"},
      {"no line break", "dn", "- EOF$"},
      {"", "dn", "- EOF$"},
  };
  for (const auto& [input, script, transcript] : cases) {
    EXPECT_EQ(run(input, script), transcript) << input << " / " << script;
  }
}

// A terminal: what is written shows only once flushed, typed lines come
// one per request, and each request notes what was showing by then.
class Terminal : public std::streambuf {
 public:
  explicit Terminal(std::vector<std::string> lines)
      : lines_(std::move(lines)) {}
  std::vector<std::string> shownAtRequest;

 protected:
  int_type overflow(int_type c) override {  // no put area: byte by byte
    written_ += traits_type::to_char_type(c);
    return c;
  }
  int sync() override {
    shown_ = written_;
    return 0;
  }
  int_type underflow() override {
    if (next_ == lines_.size()) return traits_type::eof();
    shownAtRequest.push_back(shown_);
    std::string& line = lines_[next_++];
    setg(&line[0], &line[0], &line[0] + line.size());
    return traits_type::to_int_type(line[0]);
  }

 private:
  std::string written_;
  std::string shown_;
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

TEST(TokenReader, FlushesPromptsBeforeWaitingForInput) {
  Terminal terminal({"7\n", "net.txt\n"});
  std::istream in(&terminal);
  std::ostream prompts(&terminal);
  TokenReader reader(in, &prompts);
  int value = 0;
  prompts << "请输入选项: ";
  EXPECT_EQ(reader.readInt(&value), Number::kRead);
  prompts << "文件名：";  // the reader still holds the "\n" after 7
  std::string word;
  EXPECT_TRUE(reader.readWord(&word, 7));
  EXPECT_EQ(terminal.shownAtRequest,
            (std::vector<std::string>{"请输入选项: ", "请输入选项: 文件名："}));
}

}  // namespace
