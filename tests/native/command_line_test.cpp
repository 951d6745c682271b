#include "link/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct KeyCommandCase {
  int zone;
  bool hold;
  std::int32_t code;
  const char* text;
};

const KeyCommandCase kSentCommands[] = {
    {1, false, 25, "1 17 1 25"},
    {2, false, 25, "2 17 1 25"},
    {1, true, 21, "1 17 2 21"},
    {1, false, 99, "1 17 1 99"},
    {2, true, 99, "2 17 2 99"},  // the longest line that occurs
    {1, false, 0, "1 17 1 0"},   // no leading zeros, no fixed width
    {1, false, 7, "1 17 1 7"},
    {1, false, -1, "1 17 1 -1"},  // codes are signed
};

TEST(KeyCommand, FormatsZoneFixedFieldActionAndCode) {
  for (const auto& c : kSentCommands) {
    char out[KeyCommandSize];
    std::memset(out, 'X', sizeof out);
    ASSERT_TRUE(FormatKeyCommand(c.zone, c.hold, c.code, out)) << c.text;
    EXPECT_STREQ(out, c.text);
  }
}

TEST(KeyCommand, CodesFromOneHundredSendNothing) {
  for (std::int32_t code : {100, 104, 255, INT32_MAX}) {
    char out[KeyCommandSize];
    std::memset(out, 'X', sizeof out);
    EXPECT_FALSE(FormatKeyCommand(1, false, code, out)) << code;
    EXPECT_FALSE(FormatKeyCommand(2, true, code, out)) << code;
    EXPECT_STREQ(out, "") << code;
  }
}

TEST(KeyCommand, ExtremeValuesStayInsideTheBuffer) {
  char out[KeyCommandSize];
  ASSERT_TRUE(FormatKeyCommand(INT32_MIN, true, INT32_MIN, out));
  EXPECT_STREQ(out, "-2147483648 17 2 -2147483648");
}

}  // namespace
