// The clamp every rule passes before the user interface stores it, typed
// in the rule editor or read from a settings file: the core count never
// exceeds the system's processors, and an explicit mask is kept only when
// it names exactly that many processors. Portable.
#pragma once

#include <cstdint>

#include "engine/limit_rule.h"

namespace tarrowin {

// The core count a rule shows and edits: |CPUCount|, exact also for the
// most negative count.
std::uint32_t CountMagnitude(std::int32_t count);

// With m = CountMagnitude(CPUCount) and N = systemCPUCount:
// - m > N: the count becomes N or -N (its sign, the enabled flag, is kept)
//   and the mask 0;
// - m = 0: the mask becomes 0;
// - the mask has a bit count other than m: the mask becomes 0.
// The mask is not compared with the system's mask.
void NormalizeRule(LimitRule& rule, int systemCPUCount);

}  // namespace tarrowin
