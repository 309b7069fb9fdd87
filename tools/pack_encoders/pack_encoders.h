// Encoders for the compression stages of packed contents: the writing side
// that the archive tool needs and the program does not. Their output is
// exactly what DecodePackStages reads back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "files/pack_stages.h"

namespace tarrowin {

// Encodes `data` through `stages` (at least one stage set) into the stored
// byte form. The parameters must be ones the decoder accepts (a window
// exponent of 10 to 15, a block-sorting size and an entropy capacity from
// the flags' tables).
std::vector<std::uint8_t> EncodePackStages(const PackStages& stages,
                                           std::span<const std::uint8_t> data);

}  // namespace tarrowin
