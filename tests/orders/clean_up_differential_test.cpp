#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "orders/text.h"
#include "tests/support/slow_clean_up.h"

namespace ordertable {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

class InputMaker {
 public:
  explicit InputMaker(std::uint32_t seed) : random_(seed) {}

  // Any mix of the bytes the clean-up treats specially, plus a few ordinary ones.
  std::string RandomBytes() {
    static constexpr char kAlphabet[] = {'\t', ' ', '\r', '\n', 'a', '<', '\r', '\n', '\t', ' '};
    std::string text(Below(65), ' ');
    for (char& c : text) c = kAlphabet[Below(sizeof kAlphabet)];
    return text;
  }

  // Page-like text: lines with indentation of tabs and spaces in any order, blank runs made
  // of empty and blank-only lines, and all three kinds of line break, mixed or uniform.
  std::string PageLike() {
    static constexpr const char* kBreaks[] = {"\r\n", "\n", "\r"};
    const int uniform_break = static_cast<int>(Below(4));  // 3: mix the kinds per line
    std::string text;
    const std::size_t lines = 1 + Below(12);
    for (std::size_t line = 0; line < lines; ++line) {
      text += Blanks(Below(3) == 0 ? 40 : 6);
      if (Below(4) != 0) text += Below(2) == 0 ? "<td>" : "x\ty ";
      text += Blanks(2);
      const int kind = uniform_break == 3 ? static_cast<int>(Below(3)) : uniform_break;
      text += kBreaks[kind];
    }
    if (Below(2) == 0) text.resize(text.size() - Below(std::min<std::size_t>(text.size(), 3)));
    return text;
  }

  // Few, long inputs: deep indentation and long blank runs that take the literal passes
  // hundreds of rounds.
  std::string Deep() {
    std::string text = "<html>\r\n";
    for (int block = 0; block < 8; ++block) {
      text.append(Below(600), '\t');
      text.append(Below(300), ' ');
      text.append(Below(3), '\t');
      text += "<div>";
      const std::size_t blank_lines = Below(400);
      for (std::size_t i = 0; i < blank_lines; ++i) text += Below(2) == 0 ? "\r\n" : "\r\n\t ";
      text += Below(5) == 0 ? "\n" : "\r\n";
    }
    return text;
  }

 private:
  std::size_t Below(std::size_t bound) {
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_);
  }

  std::string Blanks(std::size_t max_length) {
    std::string blanks(Below(max_length + 1), ' ');
    for (char& c : blanks) c = Below(2) == 0 ? '\t' : ' ';
    return blanks;
  }

  std::mt19937 random_;
};

void ExpectSameAsPasses(const std::string& input, int index) {
  const std::string fast = CleanUpText(input);
  const std::string slow = test::SlowCleanUpText(input);
  if (fast != slow) {
    ADD_FAILURE() << "input #" << index << ": \"" << Escaped(input) << "\"\n  fast: \""
                  << Escaped(fast) << "\"\n  slow: \"" << Escaped(slow) << "\"";
  }
}

TEST(CleanUpDifferentialTest, MatchesTheLiteralPassesOnRandomBytes) {
  InputMaker maker(20190315);
  for (int i = 0; i < 6000; ++i) ExpectSameAsPasses(maker.RandomBytes(), i);
}

TEST(CleanUpDifferentialTest, MatchesTheLiteralPassesOnPageLikeText) {
  InputMaker maker(4242);
  for (int i = 0; i < 6000; ++i) ExpectSameAsPasses(maker.PageLike(), i);
}

TEST(CleanUpDifferentialTest, MatchesTheLiteralPassesOnDeepIndentation) {
  InputMaker maker(7);
  for (int i = 0; i < 40; ++i) ExpectSameAsPasses(maker.Deep(), i);
}

TEST(CleanUpDifferentialTest, FindsALoneLineFeedAtAnyPlaceInALongText) {
  // The check for lone line feeds reads the text in words: try every offset within them.
  const std::string crlf_text = "<p>\r\n\t<a>\r\n\r\n  <b>\r\r\n\r\n\t\t<c>\r\n";
  for (std::size_t at = 0; at <= crlf_text.size(); ++at) {
    ExpectSameAsPasses(crlf_text.substr(0, at) + "\n" + crlf_text.substr(at), static_cast<int>(at));
  }
  ExpectSameAsPasses(crlf_text, -1);
}

TEST(CleanUpDifferentialTest, MatchesTheLiteralPassesOnEveryShortBlankSequence) {
  // All 6^6 texts of up to six bytes over the special bytes and two ordinary ones.
  static constexpr char kBytes[] = {'\t', ' ', '\r', '\n', 'a', '\x1a'};
  int index = 0;
  for (int length = 0; length <= 6; ++length) {
    int combinations = 1;
    for (int k = 0; k < length; ++k) combinations *= 6;
    for (int code = 0; code < combinations; ++code) {
      std::string text;
      for (int k = 0, rest = code; k < length; ++k, rest /= 6) text += kBytes[rest % 6];
      ExpectSameAsPasses(text, index++);
    }
  }
}

}  // namespace
}  // namespace ordertable
