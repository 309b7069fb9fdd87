// The rules of a settings file, read as the program reads them: the same
// lookup through ".pcf" archives of the parent folders, the same sections
// and keys, every rule clamped against this machine's processors.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/limit_rule.h"

namespace tarrowin {

// The rules of the file at `path`; false with `fault` saying what is wrong
// with the file (for a message "FILE: fault") when it cannot be read or
// holds no rule at all. A file whose rules are all disabled is fine.
bool LoadRulesFile(const std::u16string& path, int systemCPUCount, std::vector<LimitRule>& rules,
                   std::u16string& fault);

}  // namespace tarrowin
