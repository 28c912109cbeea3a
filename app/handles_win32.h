#pragma once

// Small owners for the dialog's Win32 objects (GDI objects, icons, the clipboard, global
// memory, a shared input state), so that every one is released on every path out of a
// function, exceptions included. Kernel handles have their owner in the file layer.

#include <windows.h>

#include <utility>

#include "files/unique_handle_win32.h"

namespace ordertable {

/// Owns a GDI object (bitmap, font, brush) and deletes it.
template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T object) : object_(object) {}
  GdiObject(GdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ~GdiObject() { Reset(); }

  T get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset() {
    if (object_) DeleteObject(std::exchange(object_, nullptr));
  }

 private:
  T object_ = nullptr;
};

/// Owns an icon loaded as a private copy (not shared) and destroys it.
class UniqueIcon {
 public:
  UniqueIcon() = default;
  explicit UniqueIcon(HICON icon) : icon_(icon) {}
  UniqueIcon(UniqueIcon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
  UniqueIcon& operator=(UniqueIcon&& other) noexcept {
    if (this != &other) {
      if (icon_) DestroyIcon(icon_);
      icon_ = std::exchange(other.icon_, nullptr);
    }
    return *this;
  }
  ~UniqueIcon() {
    if (icon_) DestroyIcon(icon_);
  }
  HICON get() const { return icon_; }

 private:
  HICON icon_ = nullptr;
};

/// Selects a GDI object into a device context and puts the previous one back.
class SelectionGuard {
 public:
  SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;
  ~SelectionGuard() {
    if (previous_) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

/// The clipboard, opened for one short piece of work and closed again.
class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  ~ClipboardSession() {
    if (open_) CloseClipboard();
  }
  /// False when another program holds the clipboard.
  bool is_open() const { return open_; }

 private:
  bool open_;
};

/// Shares the calling thread's input state (focus, key state) with another thread's for a
/// while: the calling thread then reads the key state as the other thread's windows see it.
class AttachedInput {
 public:
  explicit AttachedInput(DWORD other_thread)
      : own_thread_(GetCurrentThreadId()),
        other_thread_(other_thread),
        attached_(other_thread != 0 && other_thread != own_thread_ &&
                  AttachThreadInput(own_thread_, other_thread, TRUE) != FALSE) {}
  AttachedInput(const AttachedInput&) = delete;
  AttachedInput& operator=(const AttachedInput&) = delete;
  ~AttachedInput() {
    if (attached_) AttachThreadInput(own_thread_, other_thread_, FALSE);
  }
  /// False when the input could not be shared, or the other thread is this one.
  bool attached() const { return attached_; }

 private:
  DWORD own_thread_;
  DWORD other_thread_;
  bool attached_;
};

/// Locks a global memory block for reading or writing and unlocks it.
class GlobalLock {
 public:
  explicit GlobalLock(HGLOBAL memory)
      : memory_(memory), data_(memory ? ::GlobalLock(memory) : nullptr) {}
  GlobalLock(const GlobalLock&) = delete;
  GlobalLock& operator=(const GlobalLock&) = delete;
  ~GlobalLock() {
    if (data_) GlobalUnlock(memory_);
  }
  void* data() const { return data_; }
  /// The size of the block in bytes (0 when it could not be locked).
  SIZE_T size() const { return data_ ? GlobalSize(memory_) : 0; }

 private:
  HGLOBAL memory_;
  void* data_;
};

/// Owns a movable global memory block until it is handed to the clipboard.
class GlobalMemory {
 public:
  explicit GlobalMemory(SIZE_T size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  ~GlobalMemory() {
    if (memory_) GlobalFree(memory_);
  }
  HGLOBAL get() const { return memory_; }
  /// Gives up ownership, after the clipboard has accepted the block.
  HGLOBAL Release() { return std::exchange(memory_, nullptr); }

 private:
  HGLOBAL memory_;
};

}  // namespace ordertable
