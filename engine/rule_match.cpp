// The match between a rule and a process path.
#include "engine/rule_match.h"

namespace tarrowin {

bool RuleAppliesTo(const LimitRule& rule, const char16_t* path, const char16_t* file_name,
                   IProcessSource& source) {
  if (rule.CPUCount <= 0) return false;
  const char16_t* name = rule.ProcessName.c_str();
  return source.SameName(path, name) || source.SameName(file_name, name);
}

}  // namespace tarrowin
