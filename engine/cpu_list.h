// Reads the kernel's CPU list format ("0-3,8,10-11\n", as in
// /sys/devices/system/cpu/online) into a processor mask.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarrowin {

// The processors 0 to 31 that `text` lists (higher ones are left out), or
// nothing when the text is not a well-formed list.
std::optional<std::uint32_t> ParseCpuList(std::string_view text);

}  // namespace tarrowin
