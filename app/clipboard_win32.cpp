#include "app/clipboard_win32.h"

#include <climits>
#include <string_view>

#include "app/handles_win32.h"
#include "files/wide_text_win32.h"

namespace ordertable {
namespace {

// The text of a clipboard block: its code units up to the terminating NUL. The block may be
// larger than the text it was allocated for; what follows the NUL is none of the text, and
// nothing past the block's end is ever read.
template <typename Unit>
std::basic_string_view<Unit> TextOfBlock(const GlobalLock& lock) {
  const std::basic_string_view<Unit> block(static_cast<const Unit*>(lock.data()),
                                           lock.size() / sizeof(Unit));
  return block.substr(0, block.find(Unit{0}));
}

std::wstring WideOfAnsi(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), length);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

}  // namespace

std::string ReadClipboardText(HWND owner) {
  ClipboardSession clipboard(owner);
  if (!clipboard.is_open()) return {};
  if (const HANDLE unicode = GetClipboardData(CF_UNICODETEXT)) {
    GlobalLock lock(unicode);
    return files::Utf8FromWide(TextOfBlock<wchar_t>(lock));
  }
  if (const HANDLE ansi = GetClipboardData(CF_TEXT)) {
    GlobalLock lock(ansi);
    return files::Utf8FromWide(WideOfAnsi(TextOfBlock<char>(lock)));
  }
  return {};
}

bool EmptyClipboardOf(HWND owner) {
  ClipboardSession clipboard(owner);
  return clipboard.is_open() && EmptyClipboard();
}

bool WriteClipboardText(HWND owner, std::string_view text) {
  if (text.size() >= INT_MAX) return false;
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (units == 0 && length > 0) return false;
  GlobalMemory memory((static_cast<SIZE_T>(units) + 1) * sizeof(wchar_t));
  {
    GlobalLock lock(memory.get());
    if (!lock.data()) return false;
    auto* wide = static_cast<wchar_t*>(lock.data());
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide, units);
    wide[units] = L'\0';
  }
  ClipboardSession clipboard(owner);
  if (!clipboard.is_open() || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
  memory.Release();  // the clipboard owns the block now
  return true;
}

}  // namespace ordertable
