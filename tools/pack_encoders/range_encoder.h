// Range-coder stage encoder: per block a frequency table normalised to
// exactly 4096 (every occurring symbol at least 1), then the coded symbols.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// Scales `counts` to frequencies adding up to 4096, keeping every occurring
// symbol at 1 or more and losing as few coded bits as it can.
std::array<std::uint32_t, 256> NormaliseFrequencies(const std::array<std::uint64_t, 256>& counts);

// Encodes `data` as range-coder blocks of at most `max_block` symbols.
std::vector<std::uint8_t> EncodeRange(std::span<const std::uint8_t> data, std::size_t max_block);

}  // namespace tarrowin::pack_encoding
