#pragma once

// One scanner of the table document's markup, for every reader of it: the rows, the merge's
// place for new rows and the check of the head's assets. A document the shopper may have
// touched is read by its structure: a tag inside a comment, a script or a style is no tag.

#include <cstddef>
#include <string_view>

namespace ordertable::markup {

inline constexpr std::size_t kNone = std::string_view::npos;

/// True when the tag `tag` (lower case, such as "<td" or "</tr") starts at `at`, letter case
/// ignored, and its name ends there.
bool TagAt(std::string_view text, std::size_t at, std::string_view tag);

/// True when a comment ("<!--") starts at `at`.
bool CommentAt(std::string_view text, std::size_t at);

/// Just after the comment starting at `at`; the end of `text` when it is not closed (an
/// unclosed comment hides the rest of the document, as it does in a browser).
std::size_t AfterComment(std::string_view text, std::size_t at);

/// Just after the '>' that ends a tag whose name ends at `from` (the end of the markup when
/// none does). A quote opens an attribute value only after "=", so `<td title='a>b'>` ends
/// after its last '>'; when quotes leave no '>' outside them, the first '>' ends the tag.
std::size_t TagEnd(std::string_view markup, std::size_t from);

/// Just after the '>' that ends the tag starting at `at`.
inline std::size_t AfterTag(std::string_view text, std::size_t at) { return TagEnd(text, at + 1); }

/// Where the scan goes on after the markup starting at `at` when it is not looked into: past
/// a comment, past a script or style element (their text is no markup), else `at + 1`.
std::size_t SkipMarkup(std::string_view text, std::size_t at);

/// The first `tag` at or after `from` that is markup, not text of a comment, script or style;
/// kNone when there is none.
std::size_t FindTag(std::string_view text, std::string_view tag, std::size_t from = 0);

/// True when only blanks stand between the start of its line and `at`.
bool StartsLine(std::string_view text, std::size_t at);

/// The part of a table document that holds the rows: from just after the opening of the body
/// (or the end of the header when a hand edit took <tbody> away) to the footer, the end of the
/// body or the end of the table. `found` is false when the document has neither a body nor a
/// header: `begin` is then 0.
struct TableBody {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool found = false;
};
TableBody FindTableBody(std::string_view document);

/// True for the comment at `at` when it stands where a row's key comment does: on a line of
/// its own, before a <tr>. Any other comment is a note.
bool KeyCommentBeforeRow(std::string_view text, std::size_t at);

}  // namespace ordertable::markup
