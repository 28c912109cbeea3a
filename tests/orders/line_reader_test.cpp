#include "orders/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ordertable {
namespace {

struct Read {
  std::string line;
  bool at_end;
  friend bool operator==(const Read&, const Read&) = default;
};

void PrintTo(const Read& read, std::ostream* out) {
  *out << "{\"" << read.line << "\", " << (read.at_end ? "end" : "more") << "}";
}

struct ReaderCase {
  const char* name;
  std::string data;
  std::vector<Read> reads;  // then one more read, which must be empty at the end
};

TEST(LineReaderTest, LineRules) {
  const ReaderCase cases[] = {
      {"empty data", "", {}},
      {"CR LF breaks", "a\r\nb\r\n", {{"a", false}, {"b", true}}},
      {"last line without break", "a\r\nb", {{"a", false}, {"b", true}}},
      {"lone CR breaks", "a\rb\r", {{"a", false}, {"b", true}}},
      {"lone LF stays in the line", "a\nb\r\nc", {{"a\nb", false}, {"c", true}}},
      {"only one LF is swallowed", "a\r\n\nb", {{"a", false}, {"\nb", true}}},
      {"CR CR gives an empty line", "a\r\rb", {{"a", false}, {"", false}, {"b", true}}},
      {"empty lines", "\r\n\r\nx", {{"", false}, {"", false}, {"x", true}}},
      {"0x1A ends the data", "a\r\nb\x1a\r\nc\r\n", {{"a", false}, {"b", true}}},
      {"0x1A first",
       "\x1a"
       "a\r\n",
       {}},
      {"NUL is an ordinary byte", std::string("a\0b\r\n", 5), {{std::string("a\0b", 3), true}}},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    LineReader reader(c.data);
    std::vector<Read> reads;
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      const std::string line(reader.ReadLine());
      reads.push_back({line, reader.AtEnd()});
    }
    EXPECT_EQ(reads, c.reads);
    // Reading past the end keeps giving empty lines.
    EXPECT_EQ(reader.ReadLine(), "");
    EXPECT_EQ(reader.ReadLine(), "");
    EXPECT_TRUE(reader.AtEnd());
  }
}

struct MarkerCase {
  const char* name;
  std::string data;
  std::string marker;
  bool found;
  std::string line;
};

TEST(FindMarkerTest, Cases) {
  const MarkerCase cases[] = {
      {"found", "x\r\n<p class=\"first-row\">\r\ny\r\n", "first-row", true,
       "<p class=\"first-row\">"},
      {"case ignored in the line", "<P CLASS=\"FIRST-ROW\">\r\ny", "first-row", true,
       "<P CLASS=\"FIRST-ROW\">"},
      {"case ignored in the marker", "<table class=x>\r\ny", "<TABLE", true, "<table class=x>"},
      {"first line holding it", "a-1\r\na-2\r\ny", "a-", true, "a-1"},
      {"absent", "a\r\nb\r\nc", "first-row", false, ""},
      {"on the last line", "a\r\nfirst-row", "first-row", false, ""},
      {"on the last line before its break", "a\r\nfirst-row\r\n", "first-row", false, ""},
      {"cut by 0x1A", "first-row\x1a\r\nmore", "first-row", false, ""},
      {"0x1A makes it the last line",
       "first-row\r\n\x1a"
       "a\r\n",
       "first-row", false, ""},
      {"before 0x1A", "first-row\r\na\x1a", "first-row", true, "first-row"},
      {"across a lone LF inside the line", "first-\nrow\r\nz", "first-\nrow", true, "first-\nrow"},
      {"never across a break", "first-\r\nrow\r\nz", "first-row", false, ""},
      {"letters only are folded", "\xC3\x89TUI\r\nz", "\xC3\xA9tui", false, ""},
      {"empty data", "", "x", false, ""},
  };
  for (const MarkerCase& c : cases) {
    SCOPED_TRACE(c.name);
    LineReader reader(c.data);
    std::string_view line;
    EXPECT_EQ(FindMarker(reader, c.marker, &line), c.found);
    EXPECT_EQ(line, c.line);
  }
}

TEST(FindMarkerTest, SearchesGoOnFromTheLineAfterTheLastRead) {
  LineReader reader("<table>\r\nfirst-row 1\r\na\r\nb\r\nfirst-row 2\r\nc\r\nfirst-row 3");
  std::string_view line;
  ASSERT_TRUE(FindMarker(reader, "<table", &line));
  ASSERT_TRUE(FindMarker(reader, "first-row", &line));
  EXPECT_EQ(line, "first-row 1");
  EXPECT_EQ(SkipLines(reader, 2), "b");
  ASSERT_TRUE(FindMarker(reader, "first-row", &line));
  EXPECT_EQ(line, "first-row 2");
  EXPECT_EQ(SkipLines(reader, 3), "");  // past the end: "c", "first-row 3", then nothing
  EXPECT_FALSE(FindMarker(reader, "first-row", &line));
}

}  // namespace
}  // namespace ordertable
