// The export command's choices of file and format, and what it refuses, run through its entry
// function in a scratch folder. What the files hold is checked end to end by
// export_end_to_end.py.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "table/document.h"
#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

using test::ReadBytes;
using test::SampleRow;

TEST(ExportCommandTest, WritesTheFileAndFormatAskedForAndNeverTheTable) {
  constexpr std::string_view kCsv = "\xEF\xBB\xBF";
  constexpr std::string_view kXlsx = "PK\x03\x04";
  const struct {
    std::vector<std::string> args;
    int status;
    const char* file;         // written, or nothing for a refusal
    std::string_view starts;  // what the file starts with
  } cases[] = {
      {{}, cli::kExitDone, "AliExpress Orders export.csv", kCsv},
      {{"--xlsx"}, cli::kExitDone, "AliExpress Orders export.xlsx", kXlsx},
      {{"orders.XLSX"}, cli::kExitDone, "orders.XLSX", kXlsx},
      {{"--", "-orders"}, cli::kExitDone, "-orders", kCsv},
      {{"--xlsx", "orders"}, cli::kExitDone, "orders", kXlsx},
      {{"--csv", "orders.xlsx"}, cli::kExitBadInput, nullptr, {}},
      {{"--csv", "--xlsx"}, cli::kExitBadInput, nullptr, {}},
      {{"a.csv", "b.csv"}, cli::kExitBadInput, nullptr, {}},
      {{"--sep=;"}, cli::kExitBadInput, nullptr, {}},
      {{"AliExpress Orders.html"}, cli::kExitBadInput, nullptr, {}},
      {{"./AliExpress Orders.bkp"}, cli::kExitBadInput, nullptr, {}},
      {{"tmp/AE_order_list.json"}, cli::kExitBadInput, nullptr, {}},
      {{"folder"}, cli::kExitWriteFailed, nullptr, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "no arguments" : c.args.back());
    test::ScratchFolder folder;
    std::filesystem::create_directory(folder / "folder");
    RatingGenerator ratings;
    const std::string table = NewTableDocument({SampleRow("1"), SampleRow("2")}, ratings);
    test::WriteBytes(folder / kTableDocument, table);
    test::WriteBytes(folder / kTableBackup, table);
    std::filesystem::create_directory(folder / "tmp");
    test::WriteBytes(folder / "tmp" / "AE_order_list.json", "the orders of the next build");

    std::ostringstream out, err;
    EXPECT_EQ(cli::RunExportCommand(c.args, folder.path(), out, err), c.status) << err.str();
    EXPECT_EQ(ReadBytes(folder / kTableDocument), table);
    EXPECT_EQ(ReadBytes(folder / kTableBackup), table);
    EXPECT_EQ(ReadBytes(folder / "tmp" / "AE_order_list.json"), "the orders of the next build");
    const auto entries = test::FolderEntries(folder.path());
    if (c.file == nullptr) {
      EXPECT_EQ(entries.size(), 4u) << "a file was written";
      continue;
    }
    EXPECT_EQ(out.str(), "2 row(s) written to \"" + std::string(c.file) + "\"\n");
    EXPECT_TRUE(ReadBytes(folder / c.file).starts_with(c.starts));
    EXPECT_EQ(entries.size(), 5u) << "a temporary file was left";
  }

  test::ScratchFolder empty;
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunExportCommand({}, empty.path(), out, err), cli::kExitBadInput);
  EXPECT_TRUE(test::FolderEntries(empty.path()).empty());
}

}  // namespace
}  // namespace ordertable
