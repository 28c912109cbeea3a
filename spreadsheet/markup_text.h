#pragma once

// The texts a spreadsheet cell shows, made from the markup of a table cell: what a browser
// would show of it (tags left out, character references decoded), and the addresses and texts
// of its links. Every text that comes out is valid UTF-8 without control characters other
// than the line feed, so that both the CSV and the workbook can take it as it is.

#include <string>
#include <string_view>
#include <vector>

namespace ordertable {

/// `text` with its character references (&amp;, &#233;, &#xE9; and the common named ones)
/// replaced by the characters they stand for; a reference it does not know stays as it is.
std::string DecodeCharacterReferences(std::string_view text);

/// `bytes` as valid UTF-8: a byte that is not part of a well-formed UTF-8 sequence is taken
/// as a character of Windows-1252, the code page that tables written from ANSI text hold.
std::string ValidUtf8(std::string_view bytes);

/// The text a browser shows for `markup`, as one cell text: tags left out, <br> as a line
/// feed, runs of blanks as one space, references decoded, trimmed.
std::string TextOfMarkup(std::string_view markup);

/// `text` (no markup) made fit for a cell: valid UTF-8, control characters left out, trimmed.
std::string PlainCellText(std::string_view text);

/// One link of a cell: <a href='address'>text</a>.
struct MarkupLink {
  std::string address;  ///< the href, references decoded; empty when the element has none
  std::string text;     ///< TextOfMarkup of what the element holds

  friend bool operator==(const MarkupLink&, const MarkupLink&) = default;
};

/// The <a> elements of `markup`, in order.
std::vector<MarkupLink> LinksOfMarkup(std::string_view markup);

/// The value of `attribute` on the first `element` (lower-case names, such as "img", "src")
/// of `markup`, references decoded and trimmed; empty when there is none.
std::string FirstAttribute(std::string_view markup, std::string_view element,
                           std::string_view attribute);

}  // namespace ordertable
