#include "app/clipboard_win32.h"

#include <cstring>

#include "app/handles_win32.h"

namespace ordertable {

std::string ReadClipboardText(HWND owner) {
  ClipboardSession clipboard(owner);
  if (!clipboard.is_open()) return {};
  const HANDLE data = GetClipboardData(CF_TEXT);
  if (!data) return {};
  GlobalLock lock(data);
  const SIZE_T size = lock.size();
  if (size == 0) return {};
  return std::string(static_cast<const char*>(lock.data()), size - 1);
}

bool EmptyClipboardOf(HWND owner) {
  ClipboardSession clipboard(owner);
  return clipboard.is_open() && EmptyClipboard();
}

bool WriteClipboardText(HWND owner, std::string_view text) {
  GlobalMemory memory(text.size() + 1);
  {
    GlobalLock lock(memory.get());
    if (!lock.data()) return false;
    char* bytes = static_cast<char*>(lock.data());
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
  }
  ClipboardSession clipboard(owner);
  if (!clipboard.is_open() || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_TEXT, memory.get())) return false;
  memory.Release();  // the clipboard owns the block now
  return true;
}

}  // namespace ordertable
