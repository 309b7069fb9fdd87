// Sliding-window stage encoder: hash-chain match finding with lazy
// evaluation, literals and matches of 4 to 259 bytes under flag bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// Encodes `data` (less than 4 GiB) with a window of 2 << `exponent` bytes
// (exponent 0 to 15).
std::vector<std::uint8_t> EncodeSlidingWindow(std::span<const std::uint8_t> data,
                                              std::uint32_t exponent);

}  // namespace tarrowin::pack_encoding
