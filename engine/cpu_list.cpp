// CPU list parser.
#include "engine/cpu_list.h"

namespace tarrowin {
namespace {

// Reads a decimal number at `pos`; false when there is none or it is
// absurdly large.
bool ReadNumber(std::string_view text, std::size_t& pos, std::uint32_t& value) {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value > 1000000) return false;
    value = value * 10 + static_cast<std::uint32_t>(text[pos] - '0');
    ++pos;
  }
  return pos > start;
}

}  // namespace

std::optional<std::uint32_t> ParseCpuList(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  std::uint32_t mask = 0;
  std::size_t pos = 0;
  for (;;) {
    std::uint32_t first = 0;
    if (!ReadNumber(text, pos, first)) return std::nullopt;
    std::uint32_t last = first;
    if (pos < text.size() && text[pos] == '-') {
      ++pos;
      if (!ReadNumber(text, pos, last) || last < first) return std::nullopt;
    }
    for (std::uint32_t cpu = first; cpu <= last && cpu < 32; ++cpu) mask |= 1u << cpu;
    if (pos == text.size()) return mask;
    if (text[pos] != ',') return std::nullopt;
    ++pos;
  }
}

}  // namespace tarrowin
