#include "app/PaneBound.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeated(const std::string& each, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += each + "\r\n";
  return text;
}

TEST(PaneBound, LinesAreWhatCrLfSeparates) {
  struct Case {
    std::string Text;
    size_t Lines, Breaks;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"\r\n", 1, 1},                 // one empty line
      {"a", 1, 0},                    // typed, not ended
      {"a\r\nb", 2, 1},
      {"a\r\nb\r\n", 2, 2},
      {"a\r\n\r\nb\r\n", 3, 3},       // an empty line between
      {"OK\r\r\nOK\r\r\n", 2, 2},     // a received CR before the pane's break
      {"a\nb\r\n", 1, 1},             // a lone LF ends nothing
      {"a\rb\r\n", 1, 1},             // nor does a lone CR
      {"\n\r\n", 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PaneLineCount(c.Text), c.Lines) << c.Text;
    EXPECT_EQ(PaneLineBreaks(c.Text), c.Breaks) << c.Text;
  }
}

TEST(PaneBound, NothingGoesUpToTheBound) {
  const PaneBounds b{4, 20, 3, 12};
  EXPECT_EQ(PaneTrimPoint("", b), 0u);
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\nd\r\n", b), 0u);  // 4 lines
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\ndd", b), 0u);
  EXPECT_EQ(PaneTrimPoint(Repeated("aaaaaaaa", 2), b), 0u);    // 20 characters
}

TEST(PaneBound, PastTheLineBoundTheNewestKeptLinesStay) {
  const PaneBounds b{4, 100, 3, 100};
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\nd\r\ne\r\n", b), 6u);  // from "c"
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\nd\r\nee", b), 6u);      // "ee" is a line
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\nd\r\n\r\n", b), 6u);    // so is an empty one
  EXPECT_EQ(PaneTrimPoint("a\r\nbb\r\ncc\r\r\n\r\nd\r\n", b), 7u);
  // Bounds that keep no lines at all still keep the newest.
  EXPECT_EQ(PaneTrimPoint("a\r\nb\r\nc\r\nd\r\ne\r\n", {4, 100, 0, 100}), 12u);
}

TEST(PaneBound, PastTheCharacterBoundTheNewestLinesThatFitStay) {
  const PaneBounds b{100, 20, 100, 12};
  EXPECT_EQ(PaneTrimPoint(Repeated("aaaa", 4), b), 12u);  // 24: two lines of 6 stay
  EXPECT_EQ(PaneTrimPoint(Repeated("aaaa", 3) + "aaaaaaaaaaa", b), 18u);  // 11 stay
  // The newest line stays whatever its length.
  EXPECT_EQ(PaneTrimPoint("a\r\n" + std::string(30, 'x') + "\r\n", b), 3u);
  EXPECT_EQ(PaneTrimPoint("a\r\n" + std::string(30, 'x'), b), 3u);
}

TEST(PaneBound, BothBoundsHoldAfterATrim) {
  const PaneBounds b{5, 30, 3, 20};
  // Six short lines: the line bound is passed, three stay.
  EXPECT_EQ(PaneTrimPoint(Repeated("a", 6), b), 9u);
  // Six lines of 6 characters: 36, and three lines would be 18.
  EXPECT_EQ(PaneTrimPoint(Repeated("aaaa", 6), b), 18u);
  // Three lines stay by count, but only two fit 20 characters.
  EXPECT_EQ(PaneTrimPoint(Repeated("aaaaaaa", 6), b), 36u);
}

// The character bound leaves room for the bound's lines at the longest the
// receiver passes on (RxCapacity characters, the CR among them): with the
// processor's own lines only the line bound ever trims.
TEST(PaneBound, TheLongestReceivedLinesAreBoundByTheirNumber) {
  const std::string longest(RxCapacity - 1, 'x');
  const std::string full = Repeated(longest + "\r", static_cast<int>(PaneLineBound));
  EXPECT_EQ(full.size(), PaneCharBound);
  EXPECT_EQ(PaneTrimPoint(full), 0u);
  const std::string over = full + longest + "\r\r\n";
  const size_t cut = PaneTrimPoint(over);
  EXPECT_EQ(PaneLineCount(over.substr(cut)), PaneKeptLines);
  EXPECT_EQ(over.size() - cut, PaneKeptChars);
}

}  // namespace
