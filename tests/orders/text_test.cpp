#include "orders/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace ordertable {
namespace {

struct CleanUpCase {
  const char* name;
  std::string input;
  std::string expected;
};

class CleanUpTest : public ::testing::TestWithParam<CleanUpCase> {};

TEST_P(CleanUpTest, GivesExpectedBytes) {
  EXPECT_EQ(CleanUpText(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CleanUpTest,
    ::testing::Values(
        CleanUpCase{"Empty", "", ""}, CleanUpCase{"LfBreaksBecomeCrLf", "a\nb\nc", "a\r\nb\r\nc"},
        CleanUpCase{"CrLfKept", "a\r\nb\r\n", "a\r\nb\r\n"},
        CleanUpCase{"LoneCrKeptWithoutLoneLf", "a\rb\r\nc\r", "a\rb\r\nc\r"},
        CleanUpCase{"LoneCrBecomesBreakBesideLoneLf", "a\rb\nc", "a\r\nb\r\nc"},
        CleanUpCase{"CrCrLfWithLoneLf", "a\r\r\nb\nc", "a\r\nb\r\nc"},
        CleanUpCase{"LfCrIsTwoBreaks", "a\n\rb", "a\r\nb"},
        CleanUpCase{"TabIndentRemoved", "<p>\r\n\t\t\t<span>\r\n", "<p>\r\n<span>\r\n"},
        CleanUpCase{"SpaceIndentRemoved", "<p>\r\n    <span>", "<p>\r\n<span>"},
        CleanUpCase{"TabsThenSpacesRemoved", "<p>\r\n\t\t  <span>", "<p>\r\n<span>"},
        CleanUpCase{"SpaceThenTabLeavesOneSpace", "<p>\r\n \t<span>", "<p>\r\n <span>"},
        CleanUpCase{"TabSpaceTabsKeepLaterTabsAsSpaces", "<p>\r\n\t \t\t<b>", "<p>\r\n  <b>"},
        CleanUpCase{"InnerTabsBecomeSpaces", "a\tb\t\tc", "a b  c"},
        CleanUpCase{"FirstLineIndentKept", "\t  <html>\n\t<head>", "   <html>\r\n<head>"},
        CleanUpCase{"TrailingSpacesKept", "a  \r\nb \t\r\n", "a  \r\nb  \r\n"},
        CleanUpCase{"BlankLinesFolded", "a\r\n\r\n\r\n\r\nb", "a\r\nb"},
        CleanUpCase{"BlankOnlyLinesFolded", "a\n\t\t\n    \n\t  \nb", "a\r\nb"},
        CleanUpCase{"SpaceTabLineIsNotBlank", "a\r\n \t\r\nb", "a\r\n \r\nb"},
        CleanUpCase{"LeadingBreaksFoldToOne", "\r\n\r\n\r\nx", "\r\nx"},
        CleanUpCase{"FinalBreaksFoldToOne", "x\n\n\n", "x\r\n"},
        CleanUpCase{"LoneCrStaysBeforeFoldedBreaks", "a\r\r\n\r\nb", "a\r\r\nb"},
        CleanUpCase{"OnlyBlanks", "\t \t", "   "}),
    [](const ::testing::TestParamInfo<CleanUpCase>& case_info) { return case_info.param.name; });

TEST(CleanUpTest, DeepIndentationAndLongBlankRunsFinishInOneScan) {
  // A bad clipboard must not make the clean-up take a pass per tab or per blank line.
  std::string text = "a\r\n";
  text.append(4'000'000, '\t');
  text += "b";
  for (int i = 0; i < 1'000'000; ++i) text += "\r\n\t  ";
  text += "c";
  EXPECT_EQ(CleanUpText(text), "a\r\nb\r\nc");
}

struct BetweenCase {
  std::string text;
  std::string opening;
  std::string closing;
  std::string expected;
};

TEST(TextBetweenTest, Cases) {
  const BetweenCase cases[] = {
      {"<span class=\"x\">42</span>", ">", "<", "42"},
      {"<span class=\"x\">42", ">", "<", ""},
      {"no opening here", "[", "]", ""},
      {"[]", "[", "]", ""},
      {"a[b]c[d]", "[", "]", "b"},
      {"<<", "<", "<", ""},
      {"x//host/path\" y", "//", "\"", "host/path"},
      {"abc", "", "c", "ab"},
      {"abc", "a", "", ""},
      {"", ">", "<", ""},
  };
  for (const BetweenCase& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.opening, c.closing), c.expected)
        << c.text << " between " << c.opening << " and " << c.closing;
  }
}

TEST(ConvertDateTest, Cases) {
  const std::pair<std::string, std::string> cases[] = {
      {"<span class=\"info-body\">10:35 Mar. 15 2019</span>", "2019-03-15"},
      {"<span class=\"info-body\">10:35 Mar. 5 2019</span>", "2019-03-5"},
      {"<span>10:35 May. 31 2020</span>", "2020-05-31"},
      {"<span>Dec. 1 2018</SPAN>", "2018-12-1"},
      {"<span>Jan. 2 2017</span> and </Span>", "and -01-2"},
      {"<span>Xyz. 15 2019</span>", "2019--15"},
      {"<span>Feb. Mar. 15 2019</span>", "2019-0203-Mar."},
      {"<span>Oct. Jan. 7 2021</span>", "2021-0110-Jan."},
      {"<span>Mar. 15 2019", ""},
      {"<span>Mar 15 2019</span>", ""},
      {"<span>Mar.15</span>", ""},
      {"<span class=\"a.b\">Mar. 15 2019</span>", "2019-03-\">Mar."},
      {"ab</span> Mar. 5 x", "ab-03-5"},
      {"", ""},
      {"</span>", ""},
      {"y. </span>", ""},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(ConvertDate(line), expected) << line;
  }
}

TEST(NumericValueTest, Cases) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  const std::pair<std::string, std::int64_t> cases[] = {
      {"12", 12},
      {"  \t\n3", 3},
      {"\r3", 0},
      {"+7", 7},
      {"-7", -7},
      {"007", 7},
      {"3/12", 3},
      {"12 pages", 12},
      {"1 2", 1},
      {"2.4", 2},
      {"2.6", 3},
      {"2.5", 2},
      {"3.5", 4},
      {"2.50001", 3},
      {"-2.6", -3},
      {"3.", 3},
      {".7", 1},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"- 3", 0},
      {"9223372036854775807", kMax},
      {"9223372036854775808", kMax},
      {"99999999999999999999999999", kMax},
      {"9223372036854775807.9", kMax},
      {"-9223372036854775808", kMin},
      {"-99999999999999999999999999.5", kMin},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(NumericValue(text), expected) << text;
  }
}

struct CounterCase {
  std::string page;
  std::string counter;
  std::int64_t number;
  std::int64_t total;
};

TEST(PageCounterTest, Cases) {
  const CounterCase cases[] = {
      {"x<label class=\"ui-label\">3/12</label>y", "3/12", 3, 12},
      {"<label class=\"ui-label\">1/1</label><label class=\"ui-label\">2/9</label>", "1/1", 1, 1},
      {"<label class=\"ui-label\" id=\"a\">10/30</label>", "10/30", 10, 30},
      {"<label class=\"ui-label\">/5</label>", "/5", 0, 5},
      {"<label class=\"ui-label\">4/</label>", "4/", 4, 0},
      {"<label class=\"ui-label\">7</label>", "7", 7, 0},
      {"<label class=\"ui-label\"> 2 / 3 </label>", " 2 / 3 ", 2, 3},
      // With nothing between ">" and "<" the search for "<" starts one byte further on.
      {"<label class=\"ui-label\"></label>9<b>", "</label>9", 0, 0},
      {"<label class='ui-label'>3/12</label>", "", 0, 0},
      {"no counter", "", 0, 0},
      {"<label class=\"ui-label", "", 0, 0},
      {"<label class=\"ui-label\"", "", 0, 0},
      {"<label class=\"ui-label\">", "", 0, 0},
      {"<label class=\"ui-label\">3/12", "", 0, 0},
      {"<label class=\"ui-label\"><", "", 0, 0},
  };
  for (const CounterCase& c : cases) {
    EXPECT_EQ(CutPageCounter(c.page), c.counter) << c.page;
    const PageCounter counter = ReadPageCounter(c.page);
    EXPECT_EQ(counter.number, c.number) << c.page;
    EXPECT_EQ(counter.total, c.total) << c.page;
  }
}

}  // namespace
}  // namespace ordertable
