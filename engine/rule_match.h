// Which rules a pass applies to a process: the enabled ones whose name is
// the process's whole path or its file name. The pass and the tools that
// preview it share this one test.
#pragma once

#include "engine/limit_rule.h"
#include "engine/process_source.h"

namespace tarrowin {

// True when `rule` is enabled and names the process at `path` (the whole
// path is compared first, then `file_name`, its FileNamePart), with letter
// case ignored the way `source` ignores it.
bool RuleAppliesTo(const LimitRule& rule, const char16_t* path, const char16_t* file_name,
                   IProcessSource& source);

}  // namespace tarrowin
