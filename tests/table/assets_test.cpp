#include "table/assets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/table/table_test_support.h"

namespace ordertable {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

// Every file under `root`, by its path relative to it with '/' between names.
std::map<std::string, fs::path> FilesUnder(const fs::path& root) {
  std::map<std::string, fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      found[fs::relative(entry.path(), root).generic_string()] = entry.path();
    }
  }
  return found;
}

// The files' modification times, set to one long past first so that a rewrite shows.
std::map<std::string, fs::file_time_type> AgeFiles(const fs::path& root) {
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
  std::map<std::string, fs::file_time_type> times;
  for (const auto& [name, path] : FilesUnder(root)) {
    fs::last_write_time(path, past);
    times[name] = fs::last_write_time(path);
  }
  return times;
}

// The written folder against the pinned package files it was made from, as listed in
// web/table-assets.txt: the same files, byte for byte, and nothing else.
TEST(TableAssetsTest, TheWrittenFolderHoldsThePinnedFilesByteForByte) {
  const fs::path web = fs::path(ORDERTABLE_SOURCE_DIR) / "web";
  std::ifstream list(web / "table-assets.txt");
  if (!list) GTEST_SKIP() << "the source tree is out of reach (" << web << ")";
  std::map<std::string, std::string> sources;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string path, source;
    fields >> path >> source;
    sources[path] = source;
  }
  ASSERT_EQ(sources.size(), TableAssets().size());

  ScratchFolder folder;
  std::string message;
  ASSERT_TRUE(WriteTableAssets(folder.path(), AssetRefresh::kMissingOrDifferent, &message))
      << message;
  const auto written = FilesUnder(folder / kAssetFolder);
  ASSERT_EQ(written.size(), sources.size());
  for (const auto& [path, source] : sources) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(written.count(path));
    EXPECT_EQ(test::ReadBytes(written.at(path)), test::ReadBytes(web / source));
  }
}

// What each kind of write rewrites: nothing that is already right, and on an update nothing
// that is there at all.
TEST(TableAssetsTest, WritesOnlyWhatIsMissingOrDifferent) {
  const struct {
    const char* name;
    AssetRefresh refresh;
    bool edited_file_restored;
  } cases[] = {
      {"new table", AssetRefresh::kMissingOrDifferent, true},
      {"update", AssetRefresh::kMissing, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    std::string message;
    ASSERT_TRUE(WriteTableAssets(folder.path(), c.refresh, &message)) << message;
    const fs::path root = folder / kAssetFolder;
    const std::string original_sheet = test::ReadBytes(root / "css/mdb.min.css");
    const std::string original_stars = test::ReadBytes(root / "stars.png");
    auto times = AgeFiles(root);

    // A second write with nothing changed touches no file.
    ASSERT_TRUE(WriteTableAssets(folder.path(), c.refresh, &message)) << message;
    for (const auto& [name, path] : FilesUnder(root)) {
      EXPECT_EQ(fs::last_write_time(path), times.at(name)) << name << " was rewritten";
    }

    // A shortened stylesheet, a lost picture and a lost folder of fonts.
    test::WriteBytes(root / "css/mdb.min.css", original_sheet.substr(0, 100));
    fs::remove(root / "stars.png");
    fs::remove_all(root / "roboto");
    times = AgeFiles(root);
    ASSERT_TRUE(WriteTableAssets(folder.path(), c.refresh, &message)) << message;
    EXPECT_EQ(test::ReadBytes(root / "stars.png"), original_stars);
    EXPECT_TRUE(fs::is_regular_file(root / "roboto/files/roboto-latin-300-normal.woff2"));
    EXPECT_EQ(test::ReadBytes(root / "css/mdb.min.css"),
              c.edited_file_restored ? original_sheet : original_sheet.substr(0, 100));
    EXPECT_EQ(FilesUnder(root).size(), TableAssets().size());
    for (const auto& [name, time] : times) {
      if (name == "css/mdb.min.css" && c.edited_file_restored) continue;
      EXPECT_EQ(fs::last_write_time(root / name), time) << name << " was rewritten";
    }
  }
}

// Something in the way of the folder or of one file: the write fails and says what.
TEST(TableAssetsTest, AnUnwritableFolderIsReportedByName) {
  const struct {
    const char* name;
    const char* file_in_the_way;    // relative to the table's folder
    const char* folder_in_the_way;  // idem
    bool read_only_folder;
    const char* message;
  } cases[] = {
      {"a file in place of the folder", kAssetFolder, nullptr, false,
       "the folder \"AliExpress Orders files\" could not be created"},
      {"a file in place of a subfolder", "AliExpress Orders files/js", nullptr, false,
       "the folder \"AliExpress Orders files/js\" could not be created"},
      {"a folder in place of a file", nullptr, "AliExpress Orders files/stars.png", false,
       "\"AliExpress Orders files/stars.png\" could not be written"},
      {"a read-only folder", nullptr, kAssetFolder, true,
       "\"AliExpress Orders files/css/bootstrap.min.css\" could not be written"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.read_only_folder && !test::ReadOnlyFoldersRefuseWrites()) continue;
    ScratchFolder folder;
    if (c.folder_in_the_way) fs::create_directories(folder / c.folder_in_the_way);
    if (c.file_in_the_way) {
      fs::create_directories((folder / c.file_in_the_way).parent_path());
      test::WriteBytes(folder / c.file_in_the_way, "in the way");
    }
    if (c.read_only_folder) {
      fs::create_directories(folder / kAssetFolder / "css");
      fs::permissions(folder / kAssetFolder / "css", fs::perms::owner_read | fs::perms::owner_exec);
    }
    std::string message;
    EXPECT_FALSE(WriteTableAssets(folder.path(), AssetRefresh::kMissingOrDifferent, &message));
    // What was in the way, then the system's own reason.
    EXPECT_THAT(fs::path(message).generic_string(),
                ::testing::StartsWith(std::string(c.message) + ": "));
    if (c.file_in_the_way) {
      EXPECT_EQ(test::ReadBytes(folder / c.file_in_the_way), "in the way");
    }
    if (c.read_only_folder) fs::permissions(folder / kAssetFolder / "css", fs::perms::owner_all);
  }
}

TEST(TableAssetsTest, DamagedCarriedDataIsNeverWritten) {
  for (const TableAsset& asset : TableAssets()) {
    if (!asset.compressed) continue;
    SCOPED_TRACE(std::string(asset.path));
    ASSERT_TRUE(AssetBytes(asset));
    std::string damaged(asset.stored);
    damaged[damaged.size() / 2] ^= 0x20;
    TableAsset copy = asset;
    copy.stored = damaged;
    EXPECT_FALSE(AssetBytes(copy));
    copy.stored = asset.stored.substr(0, asset.stored.size() - 1);
    EXPECT_FALSE(AssetBytes(copy));
  }
}

}  // namespace
}  // namespace ordertable
