#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ordertable {

/// Normalises copied page source: CR LF breaks, no indentation, tabs as spaces, no blank lines.
std::string CleanUpText(std::string_view text);

/// The text after the first `opening` up to the next `closing` (a view into `text`); empty when
/// either is missing.
std::string_view TextBetween(std::string_view text, std::string_view opening,
                             std::string_view closing);

/// Appends `address` with its single quotes and angle brackets percent-encoded (%27, %3C, %3E),
/// so that it stays inside the single-quoted attribute of a link; every other byte as it is.
void AppendEncodedAddress(std::string& out, std::string_view address);

/// Turns an order-time line such as `...Mar. 15 2019</span>` into "2019-03-15"; empty on failure.
std::string ConvertDate(std::string_view line);

/// The value of the longest leading decimal number of `text`, rounded; 0 when there is none.
/// Saturates at the int64 range instead of overflowing.
std::int64_t NumericValue(std::string_view text);

/// Length of the well-formed UTF-8 sequence that `text` starts with; 0 when it starts none (a
/// stray continuation byte, an overlong form, a surrogate, a value above U+10FFFF, a cut
/// sequence).
std::size_t Utf8SequenceLength(std::string_view text);

/// Appends the UTF-8 form of the code point `code`.
void AppendUtf8(std::string& out, char32_t code);

/// `bytes` in UTF-8 when they are UTF-16 text: after a byte order mark (FF FE or FE FF), or
/// without one when every other byte of the first ones is zero, as Windows tools write it
/// ("Get-Clipboard > orders.har"); an unpaired surrogate becomes U+FFFD. Nothing for any other
/// bytes.
std::optional<std::string> Utf8OfUtf16Text(std::string_view bytes);

/// The page counter tag that every order-list page carries around its "N/M" pager label.
inline constexpr std::string_view kPageCounterTag = "<label class=\"ui-label";

/// The four texts that an order-list page copied from the browser's source view carries,
/// anywhere and in any order, matched with case.
inline constexpr std::string_view kOrderPageMarkers[] = {"<html>", "Alibaba Manufacturer Directory",
                                                         kPageCounterTag, "</html>"};

/// The first of the order-page markers that `text` lacks; empty when it holds them all.
std::string_view MissingPageMarker(std::string_view text);

/// True when `text` holds all four order-page markers.
inline bool HoldsOrderListPage(std::string_view text) { return MissingPageMarker(text).empty(); }

/// The text of the first page counter tag ("3/12"); empty when the page has none.
std::string CutPageCounter(std::string_view page_text);

/// Page number N and page total M of an order-list page.
struct PageCounter {
  std::int64_t number = 0;
  std::int64_t total = 0;
};

/// Reads N and M from the page counter of `page_text`.
PageCounter ReadPageCounter(std::string_view page_text);

}  // namespace ordertable
