// What the rule list shows: its four columns and the cell texts of one rule.
// Portable, so the texts are checked without Windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/limit_rule.h"

namespace tarrowin {

struct RuleColumn {
  const char16_t* header;
  bool alignRight;
  int width;  // pixels
};

inline constexpr int kRuleColumnCount = 4;

inline constexpr std::array<RuleColumn, kRuleColumnCount> kRuleColumns{{
    {u"実行ファイル名", false, 420},
    {u"CPUコア数", true, 75},
    {u"CPUマスク", true, 70},
    {u"動作", false, 40},
}};

// A processor mask as "0x%08x": eight lower-case hexadecimal digits. The
// list, the rule editor and settings files all show masks this way.
std::u16string MaskText(std::uint32_t mask);

// Column 0: the program; 1: the core count's magnitude in decimal; 2: the
// mask as "0x%08x"; 3: "有効" (enabled) when the count is above 0, else
// "無効" (disabled).
std::array<std::u16string, kRuleColumnCount> RuleCellTexts(const LimitRule& rule);

}  // namespace tarrowin
