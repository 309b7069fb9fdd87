// The rule clamp.
#include "app/normalize_rule.h"

#include "engine/affinity_rules.h"

namespace tarrowin {

std::uint32_t CountMagnitude(std::int32_t count) {
  const auto bits = static_cast<std::uint32_t>(count);
  return count < 0 ? 0u - bits : bits;
}

void NormalizeRule(LimitRule& rule, int systemCPUCount) {
  const std::int32_t system = systemCPUCount > 0 ? systemCPUCount : 0;
  const std::uint32_t magnitude = CountMagnitude(rule.CPUCount);
  if (magnitude > static_cast<std::uint32_t>(system)) {
    rule.CPUCount = rule.CPUCount > 0 ? system : -system;
    rule.CPUMask = 0;
  } else if (magnitude == 0 || static_cast<std::uint32_t>(CountBits(rule.CPUMask)) != magnitude) {
    rule.CPUMask = 0;
  }
}

}  // namespace tarrowin
