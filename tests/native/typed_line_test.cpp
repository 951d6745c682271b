#include "app/TypedLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Chars(std::size_t n, char first = 'a') {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>(first + i % 26);
  return s;
}

std::string Typed(const std::string& keys) {
  TypedLineBuffer line;
  for (char c : keys) ApplyTypedChar(line, c);
  return TypedText(line);
}

struct TypingCase {
  const char* name;
  std::string keys;
  std::string text;
};

const std::string BS(1, BackspaceChar);
const std::string CR(1, EnterChar);

TEST(TypedLine, EditsByCharacterEvents) {
  const TypingCase cases[] = {
      {"plain", "abc", "abc"},
      {"backspace removes the last", "abc" + BS + "d" + CR, "abd\r"},
      {"backspace on empty stays empty", BS, ""},
      {"backspace on empty, then more", BS + BS + "x" + CR, "x\r"},
      {"backspace down to empty", "ab" + BS + BS + BS, ""},
      {"enter alone is stored", CR, "\r"},
      {"62 characters and enter", Chars(62) + CR, Chars(62) + "\r"},
      {"63 characters and enter", Chars(63) + CR, Chars(63)},
      {"70 characters keep the first 63", Chars(70), Chars(63)},
      {"backspace after overflow removes the 63rd", Chars(70) + BS, Chars(62)},
      {"room again after backspace", Chars(63) + BS + "!", Chars(62) + "!"},
      {"control character stored", std::string("a\x16" "b"), std::string("a\x16" "b")},
      {"escape and tab stored", std::string("\x1b\t"), std::string("\x1b\t")},
      {"8-bit characters stored", std::string("\xe9\xff"), std::string("\xe9\xff")},
      {"line feed stored", std::string("a\nb"), std::string("a\nb")},
      {"zero never stored", std::string("a\0b", 3), "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(Typed(c.keys), c.text) << c.name;
}

TEST(TypedLine, LengthFollowsTheText) {
  TypedLineBuffer line;
  EXPECT_EQ(TypedLength(line), 0u);
  for (char c : Chars(80)) ApplyTypedChar(line, c);
  EXPECT_EQ(TypedLength(line), 63u);
  ApplyTypedChar(line, BackspaceChar);
  EXPECT_EQ(TypedLength(line), 62u);
}

TEST(TypedLine, EmptyingStartsAFreshLine) {
  TypedLineBuffer line;
  for (char c : Chars(63)) ApplyTypedChar(line, c);
  EmptyTypedLine(line);
  EXPECT_STREQ(TypedText(line), "");
  EXPECT_EQ(TypedLength(line), 0u);
  for (char c : std::string("x") + CR) ApplyTypedChar(line, c);
  EXPECT_STREQ(TypedText(line), "x\r");
}

}  // namespace
