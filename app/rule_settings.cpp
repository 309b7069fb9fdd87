// Rules to settings sections and back.
#include "app/rule_settings.h"

#include <string>

#include "app/normalize_rule.h"
#include "app/rule_cells.h"
#include "settings/number_text.h"

namespace tarrowin {
namespace {

constexpr char16_t kProcessNameKey[] = u"ProcessName";
constexpr char16_t kCPUCountKey[] = u"CPUCount";
constexpr char16_t kCPUMaskKey[] = u"CPUMask";

// Value buffers in UTF-16 units; longer values are cut.
constexpr int kNameCapacity = 2048;
constexpr int kNumberCapacity = 64;

std::u16string SectionName(std::size_t position) {
  char16_t digits[kNumberCapacity];
  FormatInt(static_cast<std::int32_t>(position), digits, kNumberCapacity);
  return u"tarrowin" + std::u16string(digits);
}

}  // namespace

std::vector<LimitRule> RulesFromSettings(CSettingsDocument& document, int systemCPUCount) {
  std::vector<std::u16string> sections;
  document.GetSectionNames(sections);
  std::vector<LimitRule> rules;
  // A name repeated in the document is looked up as its first record, so
  // both of its rules come from there.
  for (const std::u16string& section : sections) {
    char16_t name[kNameCapacity];
    char16_t count[kNumberCapacity];
    char16_t mask[kNumberCapacity];
    if (document.GetString(section.c_str(), kProcessNameKey, name, kNameCapacity) == 0 ||
        document.GetString(section.c_str(), kCPUCountKey, count, kNumberCapacity) == 0 ||
        document.GetString(section.c_str(), kCPUMaskKey, mask, kNumberCapacity) == 0) {
      continue;
    }
    LimitRule rule{name, ParseInt(count), static_cast<std::uint32_t>(ParseNumber(mask))};
    NormalizeRule(rule, systemCPUCount);
    rules.push_back(std::move(rule));
  }
  return rules;
}

void RulesToSettings(std::span<const LimitRule> rules, CSettingsDocument& document) {
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const LimitRule& rule = rules[i];
    const std::u16string section = SectionName(i + 1);
    char16_t count[kNumberCapacity];
    FormatInt(rule.CPUCount, count, kNumberCapacity);
    document.SetString(section.c_str(), kProcessNameKey, rule.ProcessName.c_str());
    document.SetString(section.c_str(), kCPUCountKey, count);
    document.SetString(section.c_str(), kCPUMaskKey, MaskText(rule.CPUMask).c_str());
  }
}

}  // namespace tarrowin
