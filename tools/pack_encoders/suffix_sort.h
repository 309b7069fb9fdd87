// Suffix sorting by induced sorting (SA-IS), linear in the text length
// whatever its repetitions.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarrowin::pack_encoding {

// The suffix array of `text`: the start positions of its suffixes in
// ascending order (a suffix that is a prefix of another sorts first).
std::vector<std::int32_t> SuffixArray(std::span<const std::uint8_t> text);

}  // namespace tarrowin::pack_encoding
