// Block-sorting stage decoder: a run-length coded byte stream that holds
// blocks of a 32-bit primary index and move-to-front coded data of a
// Burrows-Wheeler transform.
#pragma once

#include <cstdint>

#include "files/pack_decode_stream.h"

namespace tarrowin {

// Decodes one block-sorting stream with blocks of `block_size` data bytes
// (1 to 4 MiB) from `input` into `output` (without the end call). A run
// that passes the stream's count stops at it.
void DecodeBlockSort(CPackByteSource& input, std::uint32_t block_size, CPackOutput& output);

}  // namespace tarrowin
