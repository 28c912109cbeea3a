#include "orders/line_reader.h"

#include <gtest/gtest.h>

#include <random>
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

// The search as the line rules state it, one line at a time, through the reader's own reads.
bool FindMarkerLineByLine(LineReader& reader, std::string_view marker, std::string_view* line) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  while (!reader.AtEnd()) {
    const std::string_view candidate = reader.ReadLine();
    if (reader.AtEnd()) return false;
    for (std::size_t at = 0; at + marker.size() <= candidate.size(); ++at) {
      std::size_t k = 0;
      while (k < marker.size() && lower(candidate[at + k]) == lower(marker[k])) ++k;
      if (k == marker.size()) {
        *line = candidate;
        return true;
      }
    }
  }
  return false;
}

// Random data over the bytes that matter (both cases of the marker letters, CR, LF, 0x1A),
// long enough for the search's block-wise scan, read by random mixes of searches and skips:
// the search must find the same line, by position, and leave the reader where the line-by-line
// search leaves it.
TEST(FindMarkerTest, AgreesWithTheLineByLineSearch) {
  const std::string markers[] = {"ab-",  "B",    "-aB", "a\nb",     "\nab",
                                 "ab\n", "a\rb", "",    "ab-ab-ab", "aaaaaaaaaaaaaaaaaab"};
  const std::string alphabet = "aAbB-x\r\n\x1a";
  std::mt19937 random(20190315);
  for (int round = 0; round < 20000; ++round) {
    std::string data(random() % 160, ' ');
    // Mostly common bytes with a few breaks, sometimes dense breaks; 0x1A only now and then.
    const bool dense = random() % 4 == 0;
    for (char& c : data) {
      const auto pick = static_cast<unsigned>(random() % (dense ? 9 : 27));
      c = pick < 9 ? alphabet[pick] : alphabet[pick % 5];
      if (c == '\x1a' && random() % 8 != 0) c = 'x';
    }
    LineReader fast(data);
    LineReader reference(data);
    // Where a line lies in the data; -1 for the empty view of a read past the end.
    const auto offset = [&data](std::string_view line) {
      return line.data() == nullptr ? -1 : line.data() - data.data();
    };
    for (int step = 0; step < 12; ++step) {
      SCOPED_TRACE(::testing::Message() << "round " << round << ", step " << step);
      if (random() % 4 == 0) {
        const int count = static_cast<int>(random() % 3);
        ASSERT_EQ(SkipLines(fast, count), SkipLines(reference, count));
        continue;
      }
      const std::string& marker = markers[random() % std::size(markers)];
      std::string_view fast_line, reference_line;
      const bool found = FindMarker(fast, marker, &fast_line);
      ASSERT_EQ(found, FindMarkerLineByLine(reference, marker, &reference_line));
      ASSERT_EQ(offset(fast_line), offset(reference_line));
      ASSERT_EQ(fast_line, reference_line);
      ASSERT_EQ(fast.AtEnd(), reference.AtEnd());
      // The next line read tells where each reader stands.
      ASSERT_EQ(offset(fast.ReadLine()), offset(reference.ReadLine()));
    }
  }
}

}  // namespace
}  // namespace ordertable
