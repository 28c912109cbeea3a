#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ordertable {

/// The page that hands the shopper the bookmark, written beside the table.
inline constexpr const char* kBookmarkPage = "Get AliExpress orders.html";

/// The bookmark's address (`javascript:` and the code), made from web/bookmark.js when the
/// program is built.
std::string_view BookmarkAddress();

/// The page that hands the shopper `bookmark_address` as one link to drag to the bookmarks bar
/// (`<a id="ordertable-bookmark">`), with three steps to use it and the developer-tools route
/// below as the fallback. A self-contained HTML document in UTF-8.
std::string BookmarkPage(std::string_view bookmark_address);

/// Writes BookmarkPage(BookmarkAddress()) to `file` atomically, replacing a file of that
/// name; false with the system's reason in `*reason` when it could not.
bool WriteBookmarkPage(const std::filesystem::path& file, std::string* reason);

}  // namespace ordertable
