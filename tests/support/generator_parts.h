#pragma once

// Pieces shared by the generators of order pages and order-list captures and by their
// command-line front ends.

#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ordertable::test {

/// splitmix64: small, and the same numbers on every platform and standard library, so a
/// seed names the same generated orders everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }
  bool OneIn(int n) { return Below(n) == 0; }
  template <typename T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
  }
  std::string Digits(int count) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + Below(10));
    return digits;
  }
  std::string Letters(int count) {
    static constexpr std::string_view kChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string letters;
    for (int i = 0; i < count; ++i) letters += kChars[static_cast<std::size_t>(Below(62))];
    return letters;
  }

 private:
  std::uint64_t state_;
};

/// Reads a whole decimal argument of at least `min`; false (and `value` untouched) otherwise.
inline bool ParseNumber(const char* text, std::int64_t min, std::int64_t& value) {
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || parsed < min) return false;
  value = parsed;
  return true;
}

}  // namespace ordertable::test
