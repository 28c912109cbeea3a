#pragma once

// The one owner of Windows kernel handles: every file and thread handle is closed on every
// path out of a function, exceptions included.

#include <windows.h>

#include <utility>

namespace ordertable {

/// Owns a kernel handle (file, thread, process) and closes it; an invalid handle (null or
/// INVALID_HANDLE_VALUE) is held as null.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  /// Closes the handle now and tells whether the close succeeded (a file's close may report
  /// a late write error); the owner is then empty.
  bool Reset() { return handle_ == nullptr || CloseHandle(std::exchange(handle_, nullptr)) != 0; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace ordertable
