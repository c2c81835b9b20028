#include "reader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(TokenReader, ReadsNumbersAndWordsAcrossLines) {
  std::istringstream in("  3 4\n\n net.txt\t-7");
  TokenReader reader(in);
  int value = 0;
  std::string word;
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, 4);
  EXPECT_TRUE(reader.readWord(&word));
  EXPECT_EQ(word, "net.txt");
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kRead);
  EXPECT_EQ(value, -7);
  EXPECT_FALSE(reader.ended());
  EXPECT_EQ(reader.readInt(&value), TokenReader::Number::kEndOfInput);
  EXPECT_TRUE(reader.ended());
}

}  // namespace
