// The lines tarrowin-cli writes: tab-separated fields, masks as "0x%08x"
// (as settings files write them), and paths and names with every control
// character shown as \xNN, so that a field never holds a tab or a line end
// (and a lone surrogate of a Windows name as \uNNNN).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/cpu_limit_thread.h"

namespace tarrowin {

std::u16string TextField(std::u16string_view text);
std::u16string NumberField(std::uint64_t value);
std::u16string MaskField(std::uint32_t mask);

// The fields joined by tabs.
std::u16string Line(std::initializer_list<std::u16string_view> fields);

// One changed mask: process id, path, old mask, new mask.
std::u16string ChangeLine(const AffinityChange& change);

// ASCII text (the program's own messages) as UTF-16.
std::u16string Ascii(std::string_view text);

}  // namespace tarrowin
