// The file layer: whole files in and out, atomically, and the failures it reports.
#include "files/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

// A pending file is the new content beside the old, in a temporary file of its own: nothing
// changes until it is committed, and an abandoned one leaves nothing behind.
TEST_F(FilesTest, APendingFileReplacesItsTargetOnlyWhenCommitted) {
  const fs::path target = folder_ / "table.html";
  Touch(target, "old");
  fs::path abandoned;
  {
    std::optional<files::PendingFile> pending = files::PendingFile::Write(target, {"n", "ew"});
    ASSERT_TRUE(pending.has_value());
    abandoned = pending->temporary();
    EXPECT_EQ(files::ReadWholeFile(target), "old");
    EXPECT_EQ(files::ReadWholeFile(abandoned), "new");
  }
  EXPECT_EQ(files::ReadWholeFile(target), "old");
  EXPECT_FALSE(fs::exists(abandoned));

  std::optional<files::PendingFile> pending = files::PendingFile::Write(target, {"new"});
  ASSERT_TRUE(pending.has_value());
  const fs::path temporary = pending->temporary();
  EXPECT_TRUE(pending->Commit());
  EXPECT_EQ(files::ReadWholeFile(target), "new");
  EXPECT_FALSE(fs::exists(temporary));
}

// Two writers of one target never share a temporary file, and a later run removes only the
// temporary files of writers that have ended.
TEST_F(FilesTest, TemporaryFilesAreEachWritersOwn) {
  const fs::path target = folder_ / "AliExpress Orders.html";
  std::optional<files::PendingFile> first = files::PendingFile::Write(target, {"first"});
  std::optional<files::PendingFile> second = files::PendingFile::Write(target, {"second"});
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->temporary(), second->temporary());
  EXPECT_TRUE(files::IsTemporaryFileName(files::FileName(first->temporary())));

  const fs::path ended = folder_ / "AliExpress Orders.html.ordertable-999999999999-0123abcd.tmp";
  for (const char* name : {"AliExpress Orders.html.ordertable-999999999999-0123abcd.tmp",
                           "AliExpress Orders.tmp", "notes.tmp", "x.ordertable-7-zzzzzzzz.tmp"}) {
    Touch(folder_ / name);
  }
  EXPECT_EQ(files::StaleTemporaryFilesOf(target), std::vector<fs::path>{ended});
  files::RemoveStaleTemporaryFiles(folder_);
  EXPECT_FALSE(fs::exists(ended));
  for (const fs::path& kept : {first->temporary(), folder_ / "AliExpress Orders.tmp",
                               folder_ / "notes.tmp", folder_ / "x.ordertable-7-zzzzzzzz.tmp"}) {
    EXPECT_TRUE(fs::exists(kept)) << kept;
  }
  EXPECT_TRUE(second->Commit());
  EXPECT_TRUE(first->Commit());
  EXPECT_EQ(files::ReadWholeFile(target), "first");
}

// The table and its backup change places in one step; whatever stands in the way, the table
// stays.
TEST_F(FilesTest, CommitKeepingBackupLeavesATableAtEveryOutcome) {
  const fs::path target = folder_ / "t.html";
  const fs::path backup = folder_ / "t.bkp";
  Touch(target, "old");
  Touch(backup, "older");
  std::optional<files::PendingFile> pending = files::PendingFile::Write(target, {"new"});
  ASSERT_TRUE(pending && pending->CommitKeepingBackup(backup));
  EXPECT_EQ(files::ReadWholeFile(target), "new");
  EXPECT_EQ(files::ReadWholeFile(backup), "old");

  fs::remove(backup);
  fs::create_directories(backup / "inside");
  std::optional<files::PendingFile> newer = files::PendingFile::Write(target, {"newer"});
  std::string reason;
  ASSERT_TRUE(newer.has_value());
  EXPECT_FALSE(newer->CommitKeepingBackup(backup, &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(files::ReadWholeFile(target), "new");
  EXPECT_TRUE(fs::is_directory(backup / "inside"));
}

TEST_F(FilesTest, FailuresCarryTheSystemsReason) {
  std::string reason;
  EXPECT_FALSE(files::WriteFileAtomically(folder_ / "absent" / "x.html", {"x"}, &reason));
  EXPECT_FALSE(reason.empty());
  reason.clear();
  EXPECT_FALSE(files::ReadWholeFile(folder_ / "tmp", &reason));
  EXPECT_EQ(reason, "it is a folder");
}

TEST_F(FilesTest, AFolderLockIsHeldByOneAtATime) {
  files::FolderLock::Failure failure = files::FolderLock::Failure::kNone;
  std::optional<files::FolderLock> held =
      files::FolderLock::Acquire(folder_, "x.lock", 0, &failure);
  ASSERT_TRUE(held.has_value());
  EXPECT_FALSE(files::FolderLock::Acquire(folder_, "x.lock", 100, &failure));
  EXPECT_EQ(failure, files::FolderLock::Failure::kBusy);
  held.reset();
  EXPECT_TRUE(files::FolderLock::Acquire(folder_, "x.lock", 0, &failure));
  EXPECT_FALSE(files::FolderLock::Acquire(folder_ / "absent", "x.lock", 0, &failure));
  EXPECT_EQ(failure, files::FolderLock::Failure::kError);
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
