// Huffman stage decoder.
#include "files/pack_decode_huffman.h"

#include <algorithm>
#include <array>

namespace tarrowin {
namespace {

std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
  std::uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value = value << 8 | p[i];
  return value;
}

}  // namespace

CHuffmanDecoder::CHuffmanDecoder(CPackInput& input)
    : input_(input), table_(std::size_t{1} << kTableBits) {}

// Tops the bit buffer up to at least 57 bits.
void CHuffmanDecoder::Refill() {
  if (input_.Available() >= 8) {
    const std::uint8_t* next = input_.Next();
    bits_ |= LoadBigEndian64(next) >> count_;
    input_.SetNext(next + ((63 - count_) >> 3));
    count_ |= 56;
    return;
  }
  while (count_ <= 56) {
    if (input_.Available() == 0 && !input_.Refill()) {
      phantom_ += 8;
    } else {
      bits_ |= static_cast<std::uint64_t>(input_.Byte()) << (56 - count_);
    }
    count_ += 8;
  }
}

std::uint32_t CHuffmanDecoder::AlignedByte() {
  if (count_ < 8) Refill();
  const auto byte = static_cast<std::uint32_t>(bits_ >> 56);
  bits_ <<= 8;
  count_ -= 8;
  StreamCheck(count_ >= phantom_);
  return byte;
}

std::uint32_t CHuffmanDecoder::BeginBlock() {
  // Blocks start on a byte boundary: drop the padding of the previous one.
  const int padding = count_ & 7;
  bits_ <<= padding;
  count_ -= padding;
  StreamCheck(count_ >= phantom_);

  std::uint32_t symbols = 0;
  for (int shift = 0; shift < 32; shift += 8) symbols |= AlignedByte() << shift;
  const std::uint32_t header = AlignedByte();
  StreamCheck((header & kHuffmanHeaderClear) == 0 && (header & kHuffmanHeaderSet) != 0);
  more_blocks_ = (header & kEntropyMoreBlocks) != 0;

  std::array<std::uint8_t, 256> lengths;
  for (int i = 0; i < kHuffmanLengthBytes; ++i) {
    const std::uint32_t pair = AlignedByte();
    lengths[2 * i] = static_cast<std::uint8_t>(pair & 0x0F);
    lengths[2 * i + 1] = static_cast<std::uint8_t>(pair >> 4);
  }
  BuildTable(lengths.data());
  return symbols;
}

// Canonical codes: the first code of each length follows the last code of
// the length before, shifted left; equal lengths go by symbol order. The
// table covers the first table_bits_ bits; a longer code marks the entry of
// its first bits and is found from its length's first code.
void CHuffmanDecoder::BuildTable(const std::uint8_t* lengths) {
  std::array<std::uint32_t, kMaxHuffmanLength + 1> count{};
  for (int symbol = 0; symbol < 256; ++symbol) ++count[lengths[symbol]];
  count[0] = 0;
  max_length_ = 0;
  std::uint32_t space_used = 0;  // in units of 2^-15 of the code space
  for (int length = 1; length <= kMaxHuffmanLength; ++length) {
    if (count[length] != 0) max_length_ = length;
    space_used += count[length] << (kMaxHuffmanLength - length);
  }
  StreamCheck(space_used <= (1u << kMaxHuffmanLength));  // over-subscribed
  if (max_length_ == 0) return;

  std::array<std::uint32_t, kMaxHuffmanLength + 1> next_code{};
  std::uint32_t code = 0;
  std::uint32_t start = 0;
  for (int length = 1; length <= kMaxHuffmanLength; ++length) {
    next_code[length] = code;
    first_code_[length] = code;
    length_count_[length] = count[length];
    sorted_start_[length] = start;
    code = (code + count[length]) << 1;
    start += count[length];
  }
  table_bits_ = std::min(max_length_, kTableBits);
  const std::size_t entries = std::size_t{1} << table_bits_;
  std::fill(table_.begin(), table_.begin() + static_cast<std::ptrdiff_t>(entries), 0);
  std::array<std::uint32_t, kMaxHuffmanLength + 1> placed{};
  for (int symbol = 0; symbol < 256; ++symbol) {
    const int length = lengths[symbol];
    if (length == 0) continue;
    sorted_[sorted_start_[length] + placed[length]++] = static_cast<std::uint8_t>(symbol);
    const std::uint32_t symbol_code = next_code[length]++;
    if (length > table_bits_) {
      table_[symbol_code >> (length - table_bits_)] = kLongCode;
      continue;
    }
    const int spread = table_bits_ - length;
    const std::uint32_t first = symbol_code << spread;
    const auto entry = static_cast<std::uint16_t>(symbol << 8 | length);
    std::fill_n(table_.begin() + first, std::size_t{1} << spread, entry);
  }
}

std::uint32_t CHuffmanDecoder::LongEntry(std::uint64_t bits) const {
  for (int length = table_bits_ + 1; length <= max_length_; ++length) {
    const auto code = static_cast<std::uint32_t>(bits >> (64 - length));
    // Below the first code the difference wraps and matches nothing.
    const std::uint32_t offset = code - first_code_[length];
    if (offset < length_count_[length]) {
      return static_cast<std::uint32_t>(sorted_[sorted_start_[length] + offset]) << 8 |
             static_cast<std::uint32_t>(length);
    }
  }
  return 0;
}

// The entry for the next code at the top of `bits`: its symbol and length.
inline std::uint32_t CHuffmanDecoder::Entry(std::uint64_t bits) const {
  const std::uint32_t entry = table_[bits >> (64 - table_bits_)];
  const std::uint32_t length = entry & 0xFF;
  // Lengths 1 to table_bits_ are whole codes; 0 and kLongCode are not.
  if (length - 1 < static_cast<std::uint32_t>(table_bits_)) [[likely]]
    return entry;
  StreamCheck(entry == kLongCode);
  const std::uint32_t long_entry = LongEntry(bits);
  StreamCheck(long_entry != 0);
  return long_entry;
}

void CHuffmanDecoder::Decode(std::uint8_t* out, std::uint32_t count) {
  if (count == 0) return;
  StreamCheck(max_length_ > 0);
  std::uint8_t* const end = out + count;
  // Three codes of at most 15 bits fit in the 57 bits after a refill.
  while (end - out >= 3) {
    if (count_ < 3 * kMaxHuffmanLength) Refill();
    std::uint64_t bits = bits_;
    int available = count_;
    for (int i = 0; i < 3; ++i) {
      const std::uint32_t entry = Entry(bits);
      const int length = static_cast<int>(entry & 0xFF);
      bits <<= length;
      available -= length;
      *out++ = static_cast<std::uint8_t>(entry >> 8);
    }
    bits_ = bits;
    count_ = available;
    StreamCheck(count_ >= phantom_);
  }
  while (out != end) {
    if (count_ < kMaxHuffmanLength) Refill();
    const std::uint32_t entry = Entry(bits_);
    const int length = static_cast<int>(entry & 0xFF);
    bits_ <<= length;
    count_ -= length;
    StreamCheck(count_ >= phantom_);
    *out++ = static_cast<std::uint8_t>(entry >> 8);
  }
}

}  // namespace tarrowin
