// The rules in a settings document: one section per rule, "tarrowin1",
// "tarrowin2", ... in list order, each with the keys "ProcessName",
// "CPUCount" (signed decimal) and "CPUMask" ("0x%08x"). Portable; the
// settings commands (settings_commands.h) load and save the documents.
#pragma once

#include <span>
#include <vector>

#include "engine/limit_rule.h"
#include "settings/settings_document.h"

namespace tarrowin {

// Every section that holds all three keys, in document order and whatever
// its name, gives one rule, clamped with NormalizeRule against
// `systemCPUCount`; other sections are skipped. Counts and masks that are
// not numbers read as 0. Names are checked neither for emptiness nor for
// duplicates: a file gives exactly the rules it holds.
std::vector<LimitRule> RulesFromSettings(CSettingsDocument& document, int systemCPUCount);

// Adds the sections of `rules` to `document`, keys in the order
// ProcessName, CPUCount, CPUMask.
void RulesToSettings(std::span<const LimitRule> rules, CSettingsDocument& document);

}  // namespace tarrowin
