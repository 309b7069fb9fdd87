// Cell texts of the rule list.
#include "app/rule_cells.h"

#include <charconv>
#include <cstdint>

#include "app/normalize_rule.h"

namespace tarrowin {
namespace {

std::u16string Ascii(const char* begin, const char* end) { return std::u16string(begin, end); }

std::u16string Decimal(std::uint32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return Ascii(digits, result.ptr);
}

}  // namespace

std::u16string MaskText(std::uint32_t mask) {
  char digits[16] = "0x";
  const auto result = std::to_chars(digits + 2, digits + sizeof digits, mask, 16);
  const auto length = result.ptr - (digits + 2);
  std::u16string text = u"0x";
  text.append(8 - length, u'0');
  text += Ascii(digits + 2, result.ptr);
  return text;
}

std::array<std::u16string, kRuleColumnCount> RuleCellTexts(const LimitRule& rule) {
  return {rule.ProcessName, Decimal(CountMagnitude(rule.CPUCount)), MaskText(rule.CPUMask),
          rule.CPUCount > 0 ? u"有効" : u"無効"};
}

}  // namespace tarrowin
