#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "orders/order_row.h"

namespace ordertable::test {

/// A fresh, empty folder under the system's temporary folder, removed with all it holds.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

/// The file's bytes; fails the current test when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
/// Writes `bytes` to the file, replacing it.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
/// The names of the entries of `folder`, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);
/// FolderEntries without the folder of assets: a failed table write may leave that one
/// filled, as the next build would fill it anyway, but nothing else.
std::vector<std::string> EntriesBesideAssets(const std::filesystem::path& folder);

/// An order row whose every field is derived from `id`, so that rows are told apart.
OrderRow SampleRow(std::string_view id);

/// A row as the document should show it: the order row plus the number and rating texts.
struct DocumentRow {
  OrderRow row;
  std::string number;
  std::string rating;
};

/// The 12 lines of an expected row block, each with CR LF, spelled out from the layout.
std::string ExpectedRowBlock(const DocumentRow& row);
/// The asset host the program under test was built with; empty for the folder beside the table.
inline constexpr std::string_view kBuiltAssetHost = ORDERTABLE_ASSET_HOST;

/// An expected whole table document, spelled out line by line from the layout, whose head
/// refers to `asset_host`, or to the folder beside the table when it is empty.
std::string ExpectedDocument(const std::vector<DocumentRow>& rows,
                             std::string_view asset_host = kBuiltAssetHost);

/// The ratings a fresh generator yields first, as the document writes them.
inline const std::vector<std::string> kFirstRatings = {"4.84", "1",   "2.59", ".66",
                                                       "4.37", ".12", "2.37", "4.75"};

/// False where a read-only folder still lets files be created in it (the super-user, Windows),
/// which makes permission tests moot.
bool ReadOnlyFoldersRefuseWrites();

}  // namespace ordertable::test
