// The file layer: whole files in and out, atomically, and the failures it reports.
#include "files/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() { fs::create_directory(folder_ / "tmp"); }
  static void Touch(const fs::path& path, const std::string& bytes = "x") {
    test::WriteBytes(path, bytes);
  }

  test::ScratchFolder scratch_;
  const fs::path folder_ = scratch_.path();
};

TEST_F(FilesTest, WholeFileWriteReplacesLongerContentAndKeepsBytes) {
  const fs::path path = folder_ / "page.html";
  const std::string bytes("a\r\nb\nc\rd\x1a\0e\xff", 12);
  ASSERT_TRUE(files::WriteFileAtomically(path, {std::string(5000, 'z')}));
  ASSERT_TRUE(files::WriteFileAtomically(path, {bytes}));
  EXPECT_EQ(files::ReadWholeFile(path), bytes);
  ASSERT_TRUE(files::WriteFileAtomically(path, {""}));
  EXPECT_EQ(files::ReadWholeFile(path), "");
}

TEST_F(FilesTest, ReadsLargeFilesWhole) {
  const fs::path path = folder_ / "big.html";
  std::string bytes;
  for (int i = 0; i < 300000; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(files::WriteFileAtomically(path, {bytes}));
  EXPECT_EQ(files::ReadWholeFile(path), bytes);
}

TEST_F(FilesTest, FailuresAreReportedNotThrown) {
  EXPECT_EQ(files::ReadWholeFile(folder_ / "missing.html"), std::nullopt);
  EXPECT_EQ(files::ReadWholeFile(folder_ / "tmp"), std::nullopt);  // a folder
  EXPECT_FALSE(files::WriteFileAtomically(folder_ / "no-such-folder" / "x.html", {"x"}));
  EXPECT_FALSE(files::WriteFileAtomically(folder_ / "tmp", {"x"}));
  EXPECT_TRUE(fs::is_directory(folder_ / "tmp"));  // the folder was not deleted
  EXPECT_FALSE(files::IsOrdinaryFile(folder_ / "tmp"));
  EXPECT_FALSE(files::IsOrdinaryFile(folder_ / "missing.html"));
  Touch(folder_ / "x.html");
  EXPECT_TRUE(files::IsOrdinaryFile(folder_ / "x.html"));
}

// A pending file is the new content beside the old: nothing changes until it is committed,
// and an abandoned one leaves nothing behind.
TEST_F(FilesTest, APendingFileReplacesItsTargetOnlyWhenCommitted) {
  const fs::path target = folder_ / "table.html";
  Touch(target, "old");
  Touch(files::TemporaryFileFor(target), "stale");
  {
    std::optional<files::PendingFile> pending = files::PendingFile::Write(target, {"n", "ew"});
    ASSERT_TRUE(pending.has_value());
    EXPECT_EQ(files::ReadWholeFile(target), "old");
    EXPECT_EQ(files::ReadWholeFile(files::TemporaryFileFor(target)), "new");
  }
  EXPECT_EQ(files::ReadWholeFile(target), "old");
  EXPECT_FALSE(fs::exists(files::TemporaryFileFor(target)));

  std::optional<files::PendingFile> pending = files::PendingFile::Write(target, {"new"});
  ASSERT_TRUE(pending.has_value());
  EXPECT_TRUE(pending->Commit());
  EXPECT_EQ(files::ReadWholeFile(target), "new");
  EXPECT_FALSE(fs::exists(files::TemporaryFileFor(target)));
}

TEST_F(FilesTest, TemporaryFileNames) {
  EXPECT_EQ(files::TemporaryFileFor(folder_ / "AliExpress Orders.html"),
            folder_ / "AliExpress Orders.tmp");
  EXPECT_EQ(files::TemporaryFileFor(folder_ / "tmp" / "AE_orders_01.html"),
            folder_ / "tmp" / "AE_orders_01.tmp");
  EXPECT_EQ(files::TemporaryFileFor(folder_ / "x.tmp"), folder_ / "x.tmp.tmp");
}

TEST_F(FilesTest, MoveRemoveAndList) {
  Touch(folder_ / "a", "a");
  Touch(folder_ / "b", "b");
  EXPECT_TRUE(files::Rename(folder_ / "a", folder_ / "b"));  // replaces
  EXPECT_EQ(files::ReadWholeFile(folder_ / "b"), "a");
  EXPECT_FALSE(files::Rename(folder_ / "a", folder_ / "c"));
  std::vector<std::string> names = files::ListOrdinaryFiles(folder_);
  EXPECT_EQ(names, std::vector<std::string>{"b"});  // the folder tmp is no ordinary file
  EXPECT_TRUE(files::RemoveFile(folder_ / "b"));
  EXPECT_TRUE(files::RemoveFile(folder_ / "b"));  // nothing left is what was asked
  EXPECT_FALSE(files::RemoveFile(folder_ / "tmp"));
  EXPECT_TRUE(fs::is_directory(folder_ / "tmp"));
  EXPECT_TRUE(files::CreateFolder(folder_ / "tmp"));
  Touch(folder_ / "file");
  EXPECT_FALSE(files::CreateFolder(folder_ / "file"));
  EXPECT_TRUE(files::ListOrdinaryFiles(folder_ / "absent").empty());
}

}  // namespace
}  // namespace ordertable
