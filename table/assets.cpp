#include "table/assets.h"

#include <zlib.h>

#include <algorithm>

#include "files/files.h"
#include "table/markup.h"

namespace ordertable {

// Made from web/table-assets.txt when the program is built (table/embed_assets.cmake).
extern const TableAsset kTableAssetList[];
extern const std::size_t kTableAssetCount;

namespace {

// The name of a file or folder of the asset folder as a person reads it in a message.
std::string Shown(const std::filesystem::path& relative) {
  std::filesystem::path shown(kAssetFolder);
  if (!relative.empty()) shown /= relative;
  const std::u8string text = shown.make_preferred().u8string();
  return "\"" + std::string(text.begin(), text.end()) + "\"";
}

// Creates `relative` and the folders above it, up to and including the asset folder.
bool CreateFolders(const std::filesystem::path& root, const std::filesystem::path& relative,
                   std::string* message) {
  std::string reason;
  if (!files::CreateFolder(root, &reason)) {
    *message = "the folder " + Shown({}) + " could not be created: " + reason;
    return false;
  }
  std::filesystem::path partial;
  for (const std::filesystem::path& name : relative) {
    partial /= name;
    if (!files::CreateFolder(root / partial, &reason)) {
      *message = "the folder " + Shown(partial) + " could not be created: " + reason;
      return false;
    }
  }
  return true;
}

}  // namespace

std::span<const TableAsset> TableAssets() { return {kTableAssetList, kTableAssetCount}; }

std::optional<std::string> AssetBytes(const TableAsset& asset) {
  if (!asset.compressed) {
    if (asset.stored.size() != asset.size) return std::nullopt;
    return std::string(asset.stored);
  }
  std::string bytes(asset.size, '\0');
  z_stream stream{};
  // 16 + MAX_WBITS: the data carries a gzip header and trailer, whose checksum is verified.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(asset.stored.data()));
  stream.avail_in = static_cast<uInt>(asset.stored.size());
  stream.next_out = reinterpret_cast<Bytef*>(bytes.data());
  stream.avail_out = static_cast<uInt>(bytes.size());
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.total_out == asset.size;
  inflateEnd(&stream);
  if (!whole) return std::nullopt;
  return bytes;
}

bool WriteTableAssets(const std::filesystem::path& folder, AssetRefresh refresh,
                      std::string* message) {
  const std::filesystem::path root = folder / kAssetFolder;
  for (const TableAsset& asset : TableAssets()) {
    const std::filesystem::path relative(asset.path);
    const std::filesystem::path target = root / relative;
    // An update leaves what is there: the shopper may have edited style.css on purpose.
    if (refresh == AssetRefresh::kMissing && files::IsOrdinaryFile(target)) continue;
    const std::optional<std::string> bytes = AssetBytes(asset);
    if (!bytes) {
      *message = "this program's copy of " + Shown(relative) + " is damaged";
      return false;
    }
    // Rewriting a file that is already right would only wear the disk and touch its date.
    if (refresh == AssetRefresh::kMissingOrDifferent && files::ReadWholeFile(target) == *bytes) {
      continue;
    }
    if (!CreateFolders(root, relative.parent_path(), message)) return false;
    std::string reason;
    if (!files::WriteFileAtomically(target, {*bytes}, &reason)) {
      *message = Shown(relative) + " could not be written: " + reason;
      return false;
    }
  }
  return true;
}

bool HeadUsesAssetFolder(std::string_view document) {
  // The head is what comes before the table's body; only its tags count, not what a comment
  // says, nor the text of a script or style.
  const std::size_t head_end = markup::FindTableBody(document).begin;
  for (std::size_t at = document.find('<'); at < head_end; at = document.find('<', at)) {
    if (markup::CommentAt(document, at)) {
      at = markup::AfterComment(document, at);
      continue;
    }
    const std::size_t end = markup::AfterTag(document, at);
    if (document.substr(at, end - at).find(kAssetFolderAddress) != std::string_view::npos) {
      return true;
    }
    at = std::max(end, markup::SkipMarkup(document, at));
  }
  return false;
}

}  // namespace ordertable
