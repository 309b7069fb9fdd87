// Sliding-window stage decoder: a 32-bit total, a 16-bit window exponent e
// (window 2 << e bytes), then literals and matches chosen by flag bits.
#pragma once

#include "files/pack_decode_stream.h"

namespace tarrowin {

// Decodes one sliding-window stream from `input` into `output` (without the
// end call). Exactly the stream's total reaches the output: the bytes of a
// last match that runs past it are not delivered.
void DecodeSlidingWindow(CPackByteSource& input, CPackOutput& output);

}  // namespace tarrowin
