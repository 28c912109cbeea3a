#include "spreadsheet/deflate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace ordertable {
namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr int kMaxProbes = 24;  // earlier places tried per position: speed against size
constexpr int kMostHashBits = 15;

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Bits into bytes, least significant bit first, as deflate packs them.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}

  void Put(std::uint32_t value, int count) {
    bits_ |= static_cast<std::uint64_t>(value) << count_;
    count_ += count;
    while (count_ >= 8) {
      out_ += static_cast<char>(bits_ & 0xFF);
      bits_ >>= 8;
      count_ -= 8;
    }
  }

  // Huffman codes go most significant bit first.
  void PutCode(std::uint32_t code, int count) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < count; ++i) reversed |= ((code >> i) & 1u) << (count - 1 - i);
    Put(reversed, count);
  }

  void Flush() {
    if (count_ > 0) out_ += static_cast<char>(bits_ & 0xFF);
    bits_ = 0;
    count_ = 0;
  }

 private:
  std::string& out_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

// A literal byte, a length code (257 to 285) or the end of the block (256), in the fixed code.
void PutSymbol(BitWriter& writer, std::uint32_t symbol) {
  if (symbol < 144) {
    writer.PutCode(0x30 + symbol, 8);
  } else if (symbol < 256) {
    writer.PutCode(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    writer.PutCode(symbol - 256, 7);
  } else {
    writer.PutCode(0xC0 + symbol - 280, 8);
  }
}

void PutMatch(BitWriter& writer, std::size_t length, std::size_t distance) {
  std::size_t code = kLengthBase.size() - 1;
  while (kLengthBase[code] > length) --code;
  PutSymbol(writer, static_cast<std::uint32_t>(257 + code));
  writer.Put(static_cast<std::uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
  code = kDistanceBase.size() - 1;
  while (kDistanceBase[code] > distance) --code;
  writer.PutCode(static_cast<std::uint32_t>(code), 5);
  writer.Put(static_cast<std::uint32_t>(distance - kDistanceBase[code]), kDistanceExtra[code]);
}

std::uint32_t Hash(const unsigned char* at, int bits) {
  const std::uint32_t three = at[0] | (at[1] << 8) | (at[2] << 16);
  return (three * 2654435761u) >> (32 - bits);
}

}  // namespace

std::string Deflate(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 4 + 64);
  BitWriter writer(out);
  writer.Put(1, 1);  // the last block
  writer.Put(1, 2);  // fixed Huffman codes

  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  // The latest place of each hash, and for each place the one before with the same hash;
  // places are stored plus one, so that 0 means none.
  // Small parts get small tables: filling the large ones would cost more than the deflating.
  int hash_bits = 8;
  while (hash_bits < kMostHashBits && (std::size_t{1} << hash_bits) < size) ++hash_bits;
  std::vector<std::uint32_t> head(std::size_t{1} << hash_bits, 0);
  std::vector<std::uint32_t> previous(std::min(kWindow, std::max<std::size_t>(size, 1)), 0);
  const auto insert = [&](std::size_t at) {
    const std::uint32_t hash = Hash(data + at, hash_bits);
    previous[at % previous.size()] = head[hash];
    head[hash] = static_cast<std::uint32_t>(at + 1);
  };

  std::size_t at = 0;
  while (at < size) {
    std::size_t best_length = 0;
    std::size_t best_distance = 0;
    if (at + kMinMatch <= size) {
      const std::size_t longest = std::min(kMaxMatch, size - at);
      std::uint32_t candidate = head[Hash(data + at, hash_bits)];
      for (int probe = 0; probe < kMaxProbes && candidate != 0; ++probe) {
        const std::size_t from = candidate - 1;
        if (at - from > kWindow - 1) break;
        std::size_t length = 0;
        while (length < longest && data[from + length] == data[at + length]) ++length;
        if (length > best_length) {
          best_length = length;
          best_distance = at - from;
          if (length == longest) break;
        }
        const std::uint32_t earlier = previous[from % previous.size()];
        if (earlier >= candidate) break;  // a slot reused by a later place: the chain ends
        candidate = earlier;
      }
    }
    if (best_length >= kMinMatch) {
      PutMatch(writer, best_length, best_distance);
      for (std::size_t end = at + best_length; at < end; ++at) {
        if (at + kMinMatch <= size) insert(at);
      }
    } else {
      PutSymbol(writer, data[at]);
      if (at + kMinMatch <= size) insert(at);
      ++at;
    }
  }
  PutSymbol(writer, 256);
  writer.Flush();
  return out;
}

}  // namespace ordertable
