#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ordertable {

/// The clipboard's text in UTF-8, up to its terminating NUL: the Unicode text (CF_UNICODETEXT)
/// that browsers put there, or the ANSI text (CF_TEXT) only when no Unicode text is offered.
/// An unpaired surrogate becomes U+FFFD. Empty when there is no text or the clipboard is busy.
std::string ReadClipboardText(HWND owner);

/// Empties the clipboard; false when it could not be opened.
bool EmptyClipboardOf(HWND owner);

/// Replaces the clipboard's content with the UTF-8 `text` as Unicode text (CF_UNICODETEXT),
/// the way a browser puts a copied page there.
bool WriteClipboardText(HWND owner, std::string_view text);

}  // namespace ordertable
