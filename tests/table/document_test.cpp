#include "table/document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "table/assets.h"
#include "table/rating.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::DocumentRow;
using test::ExpectedDocument;
using test::kFirstRatings;
using test::SampleRow;
using test::ScratchFolder;

TEST(FormatNumberTest, WritesNumbersWithoutPaddingOrNeedlessDigits) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {1, "1"},
      {4, "4"},
      {12, "12"},
      {4.84, "4.84"},
      {0.66, ".66"},
      {0.05, ".05"},
      {2.5, "2.5"},
      {-0.5, "-.5"},
      {-3, "-3"},
      {0.0001, ".0001"},
      {1.0 / 3, ".333333333333333"},
      {123456789012345, "123456789012345"},
      {1234567890123456, "1.23456789012346E+15"},
      {0.00001, "1E-05"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value), c.text) << c.value;
}

TEST(RatingGeneratorTest, StartsFromTheFixedSeedAndNeverRestarts) {
  RatingGenerator ratings;
  for (const auto& expected : kFirstRatings)
    EXPECT_EQ(FormatNumber(ratings.NextRating()), expected);

  // Every draw is the seed after one step of the generator's rule, halved, over 2^31.
  RatingGenerator draws;
  std::uint64_t seed = 0xFFFFFFFFu;
  for (int i = 0; i < 10000; ++i) {
    seed = (seed * 134775813u + 1u) % 4294967296u;
    const double draw = draws.Draw();
    ASSERT_EQ(draw, static_cast<double>(seed >> 1) / 2147483648.0) << "draw " << i;
    ASSERT_GE(draw, 0);
    ASSERT_LT(draw, 1);
  }
}

TEST(RatingGeneratorTest, RatingsStayBetweenZeroAndFourNinetyNineInHundredths) {
  RatingGenerator ratings;
  for (int i = 0; i < 100000; ++i) {
    const double rating = ratings.NextRating();
    ASSERT_GE(rating, 0);
    ASSERT_LE(rating, 4.99);
    const std::string text = FormatNumber(rating);
    ASSERT_LE(text.size(), 4u) << text;  // at most "4.99"
    ASSERT_NE(text.back(), '.') << text;
    if (text.find('.') != std::string::npos) {
      ASSERT_NE(text.back(), '0') << text;
    }
  }
}

// The head of a new table refers to the folder of assets beside it, or with an asset host
// to that host; either way the layout keeps its lines.
constexpr const char* kAssetHosts[] = {"", "assets.example.org:8080"};

TEST(NewTableDocumentTest, EmptyRowListGivesTheFiftySevenLineFrame) {
  for (const char* host : kAssetHosts) {
    SCOPED_TRACE(host);
    RatingGenerator ratings;
    const std::string document = NewTableDocument({}, ratings, host);
    EXPECT_EQ(document, ExpectedDocument({}, host));
    EXPECT_EQ(std::count(document.begin(), document.end(), '\n'), 57);
    EXPECT_EQ(document.find("<!--"), std::string::npos);
    // No draw was spent on a document without rows.
    EXPECT_EQ(FormatNumber(ratings.NextRating()), kFirstRatings[0]);
  }
}

TEST(NewTableDocumentTest, RowsAreNumberedDownToOneWithOneRatingEach) {
  for (const char* host : kAssetHosts) {
    SCOPED_TRACE(host);
    RatingGenerator ratings;
    const RowList rows = {SampleRow("8001"), SampleRow("8002"), SampleRow("8003")};
    const std::string document = NewTableDocument(rows, ratings, host);
    EXPECT_EQ(document, ExpectedDocument({{rows[0], "3", kFirstRatings[0]},
                                          {rows[1], "2", kFirstRatings[1]},
                                          {rows[2], "1", kFirstRatings[2]}},
                                         host));
    EXPECT_EQ(std::count(document.begin(), document.end(), '\n'), 57 + 12 * 3);
    EXPECT_EQ(document.find("<!--"), document.find("<!--8001-->"));
  }
}

TEST(NewTableDocumentTest, EveryLineEndsInCarriageReturnLineFeed) {
  RatingGenerator ratings;
  const std::string document = NewTableDocument({SampleRow("1"), SampleRow("2")}, ratings);
  ASSERT_TRUE(document.ends_with("</body></html>\r\n"));
  for (std::size_t i = 0; i < document.size(); ++i) {
    if (document[i] == '\r') {
      ASSERT_EQ(document[i + 1], '\n') << "at " << i;
    }
    if (document[i] == '\n') {
      ASSERT_EQ(document[i - 1], '\r') << "at " << i;
    }
  }
}

TEST(NewTableDocumentTest, FieldsAreCopiedVerbatim) {
  OrderRow empty;  // every field empty, the order id included
  OrderRow raw = SampleRow("9001");
  raw.description =
      "<a target='_blank' href='https://x.example/1'>\xE2\x80\x9C\xFF\xFE &amp; <b></a>";
  raw.options = "Size: \"XL\" \xC3";
  RatingGenerator ratings;
  const std::string document = NewTableDocument({empty, raw}, ratings);
  EXPECT_EQ(document,
            ExpectedDocument({{empty, "2", kFirstRatings[0]}, {raw, "1", kFirstRatings[1]}}));
  EXPECT_NE(document.find("\r\n<!---->\r\n<tr>\r\n<td>2</th>\r\n<td></td>\r\n"), std::string::npos);
}

TEST(NewTableDocumentTest, ASecondDocumentGoesOnWithTheRatingSequence) {
  RatingGenerator ratings;
  const RowList first = {SampleRow("1"), SampleRow("2")};
  const RowList second = {SampleRow("3"), SampleRow("4"), SampleRow("5")};
  NewTableDocument(first, ratings);
  EXPECT_EQ(NewTableDocument(second, ratings),
            ExpectedDocument({{second[0], "3", kFirstRatings[2]},
                              {second[1], "2", kFirstRatings[3]},
                              {second[2], "1", kFirstRatings[4]}}));
}

TEST(WriteNewTableTest, WritesTheDocumentOverALongerOneAndTheAssetsBesideIt) {
  for (const char* host : kAssetHosts) {
    SCOPED_TRACE(host);
    ScratchFolder folder;
    test::WriteBytes(folder / kTableDocument, std::string(200000, 'x'));
    RatingGenerator ratings;
    TableWriteError error;
    const RowList rows = {SampleRow("7")};
    ASSERT_TRUE(WriteNewTable(folder.path(), rows, ratings, &error, host));
    EXPECT_EQ(test::ReadBytes(folder / kTableDocument),
              ExpectedDocument({{rows[0], "1", kFirstRatings[0]}}, host));
    // A table served by an asset host gets nothing beside it.
    if (*host) {
      EXPECT_THAT(test::FolderEntries(folder.path()), ::testing::ElementsAre(kTableDocument));
    } else {
      EXPECT_THAT(test::FolderEntries(folder.path()),
                  ::testing::ElementsAre(kAssetFolder, kTableDocument));
    }
  }
}

// A folder in the document's place: the folder must come out as it went in, and the failure
// names what is in the way. A temporary file's name is the write's own, so a folder of the
// name earlier versions used is in nobody's way.
TEST(WriteNewTableTest, FailureLeavesTheFolderAsItWas) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / kTableDocument);
  test::WriteBytes(folder / "keep.txt", "kept");
  RatingGenerator ratings;
  TableWriteError error;
  const auto before = test::FolderEntries(folder.path());
  EXPECT_FALSE(WriteNewTable(folder.path(), {SampleRow("1")}, ratings, &error));
  EXPECT_EQ(test::EntriesBesideAssets(folder.path()), before);
  EXPECT_TRUE(std::filesystem::is_directory(folder / kTableDocument));
  EXPECT_TRUE(error.folder_in_the_way);
  EXPECT_EQ(error.message,
            "a folder named \"AliExpress Orders.html\" is in the way of the table: move or rename "
            "that folder");

  ScratchFolder other;
  std::filesystem::create_directory(other / "AliExpress Orders.tmp");
  EXPECT_TRUE(WriteNewTable(other.path(), {SampleRow("1")}, ratings, &error)) << error.message;
}

TEST(WriteNewTableTest, AMissingFolderIsReported) {
  ScratchFolder folder;
  RatingGenerator ratings;
  TableWriteError error;
  EXPECT_FALSE(WriteNewTable(folder / "absent", {SampleRow("1")}, ratings, &error));
  EXPECT_FALSE(std::filesystem::exists(folder / "absent"));
}

TEST(WriteNewTableTest, AReadOnlyFolderKeepsItsDocument) {
  if (!test::ReadOnlyFoldersRefuseWrites()) {
    GTEST_SKIP() << "read-only folders do not stop the super-user (or Windows) from writing";
  }
  ScratchFolder folder;
  test::WriteBytes(folder / kTableDocument, "old table");
  std::filesystem::permissions(
      folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  RatingGenerator ratings;
  TableWriteError error;
  EXPECT_FALSE(WriteNewTable(folder.path(), {SampleRow("1")}, ratings, &error));
  EXPECT_EQ(test::ReadBytes(folder / kTableDocument), "old table");
}

}  // namespace
}  // namespace ordertable
