#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ordertable {

/// The folder beside the table document that holds the stylesheets, scripts, fonts and star
/// picture its head refers to, so that the table works from disk with no network.
inline constexpr const char* kAssetFolder = "AliExpress Orders files";
/// How the head of a table document addresses that folder: relative, spaces percent-encoded.
inline constexpr std::string_view kAssetFolderAddress = "AliExpress%20Orders%20files/";

/// One file of the asset folder, as this program carries it.
struct TableAsset {
  std::string_view path;    ///< inside the asset folder, names joined by '/'
  std::string_view stored;  ///< the carried bytes: gzip data when `compressed`, else the file
  std::size_t size;         ///< the file's size on disk
  bool compressed;
};

/// Every file of the asset folder, in a fixed order.
std::span<const TableAsset> TableAssets();

/// The bytes of `asset` as they go to disk; nothing when the carried data does not unpack to
/// exactly `size` bytes.
std::optional<std::string> AssetBytes(const TableAsset& asset);

/// Which files a write of the asset folder puts in place.
enum class AssetRefresh {
  kMissingOrDifferent,  ///< a new table: the folder ends up exactly as this program carries it
  kMissing,             ///< an update: files already there stay as they are, even if edited
};

/// Writes the assets into `folder`/kAssetFolder, each atomically, creating the folders they
/// need; files not due for `refresh` are left untouched (not even rewritten with the same
/// bytes). False when one could not be written, with what could not be done in `*message`.
bool WriteTableAssets(const std::filesystem::path& folder, AssetRefresh refresh,
                      std::string* message);

/// True when a tag of the head of `document` (its markup before the table's body, comments
/// and scripts aside) refers to the asset folder, as the head of a new table written without
/// an asset host does.
bool HeadUsesAssetFolder(std::string_view document);

}  // namespace ordertable
