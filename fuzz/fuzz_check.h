#pragma once

// Shared by the fuzz targets: a broken invariant aborts, so that libFuzzer keeps the input
// that broke it, and says which check failed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace ordertable::fuzz {

[[noreturn]] inline void FailCheck(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: broken invariant: %s\n", file, line, condition);
  std::abort();
}

/// The fuzzer's input as a byte string.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// Takes up to `count` bytes from the front of `input`.
inline std::string_view TakeFront(std::string_view& input, std::size_t count) {
  const std::string_view front = input.substr(0, count);
  input.remove_prefix(front.size());
  return front;
}

/// Takes the bytes up to the next `separator` (dropped) from the front of `input`, or all
/// of it when there is no separator.
inline std::string_view TakeUntil(std::string_view& input, char separator) {
  const std::size_t end = input.find(separator);
  const std::string_view front = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return front;
}

}  // namespace ordertable::fuzz

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) ::ordertable::fuzz::FailCheck(#condition, __FILE__, __LINE__); \
  } while (0)
