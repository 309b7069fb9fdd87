// Bit counts, file-name parts, random core choice and the decision table.
#include "engine/affinity_rules.h"

#include <array>
#include <bit>
#include <utility>

namespace tarrowin {

int CountBits(std::uint32_t mask) { return std::popcount(mask); }

const char16_t* FileNamePart(const char16_t* path) {
  const char16_t* name = path;
  for (const char16_t* p = path; *p != 0; ++p) {
    if (*p == u'\\' || *p == u'/') name = p + 1;
  }
  return name;
}

std::u16string_view FileNamePart(std::u16string_view path) {
  const std::size_t last = path.find_last_of(u"\\/");
  return last == std::u16string_view::npos ? path : path.substr(last + 1);
}

std::uint32_t ChooseCores(std::uint32_t system_mask, int count, IRandomGenerator& generator) {
  std::array<std::uint8_t, 32> cores;
  std::uint32_t n = 0;
  for (std::uint8_t bit = 0; bit < 32; ++bit) {
    if ((system_mask >> bit) & 1u) cores[n++] = bit;
  }
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t j = i + generator.Uniform32(n - i);
    std::swap(cores[i], cores[j]);
  }
  std::uint32_t chosen = 0;
  for (std::uint32_t i = 0; i < n && static_cast<std::int64_t>(i) < count; ++i) {
    chosen |= 1u << cores[i];
  }
  return chosen;
}

AffinityAction ClassifyAffinity(std::int32_t cpu_count, std::uint32_t explicit_mask,
                                std::uint32_t process_mask, std::uint32_t system_mask) {
  const int process_cores = CountBits(process_mask);
  // The system has no more processors than the rule allows.
  if (CountBits(system_mask) <= cpu_count) return AffinityAction::kLeave;
  // The process already uses fewer processors than allowed.
  if (process_cores < cpu_count) return AffinityAction::kLeave;
  // Already exactly the explicit mask.
  if (process_mask == explicit_mask) return AffinityAction::kLeave;
  // Already limited to that many processors, whichever they are.
  if (explicit_mask == 0 && process_cores == cpu_count) return AffinityAction::kLeave;
  // An explicit mask naming processors absent from the system falls back to
  // a random choice.
  if (explicit_mask != 0 && (explicit_mask & system_mask) == explicit_mask) {
    return AffinityAction::kSetExplicitMask;
  }
  return AffinityAction::kChooseCores;
}

std::optional<std::uint32_t> DecideAffinity(std::int32_t cpu_count, std::uint32_t explicit_mask,
                                            std::uint32_t process_mask, std::uint32_t system_mask,
                                            IRandomGenerator& generator) {
  switch (ClassifyAffinity(cpu_count, explicit_mask, process_mask, system_mask)) {
    case AffinityAction::kLeave:
      break;
    case AffinityAction::kSetExplicitMask:
      return explicit_mask;
    case AffinityAction::kChooseCores:
      return ChooseCores(system_mask, cpu_count, generator);
  }
  return std::nullopt;
}

}  // namespace tarrowin
