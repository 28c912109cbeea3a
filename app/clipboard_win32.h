#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ordertable {

/// The clipboard's CF_TEXT block as all its bytes but the last (the terminating NUL), so a NUL
/// inside the text stays part of it; empty when there is no text or the clipboard is busy.
std::string ReadClipboardText(HWND owner);

/// Empties the clipboard; false when it could not be opened.
bool EmptyClipboardOf(HWND owner);

/// Replaces the clipboard's content with `text` as CF_TEXT (a block of its bytes and a NUL).
bool WriteClipboardText(HWND owner, std::string_view text);

}  // namespace ordertable
