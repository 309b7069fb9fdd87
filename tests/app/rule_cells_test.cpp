// Cell texts of the rule list, checked without Windows.
#include "app/rule_cells.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarrowin {
namespace {

struct CellCase {
  LimitRule rule;
  std::array<std::u16string, 4> cells;
};

class RuleCellTextsTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(RuleCellTextsTest, FormatsNameMagnitudeMaskAndState) {
  EXPECT_EQ(RuleCellTexts(GetParam().rule), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleCellTextsTest,
    ::testing::Values(
        CellCase{{u"notepad.exe", -3, 0}, {u"notepad.exe", u"3", u"0x00000000", u"無効"}},
        CellCase{{u"notepad.exe", 2, 0x0C}, {u"notepad.exe", u"2", u"0x0000000c", u"有効"}},
        CellCase{{u"", 0, 0}, {u"", u"0", u"0x00000000", u"無効"}},
        CellCase{{u"C:\\ツール\\a.exe", 1, 0x80000000},
                 {u"C:\\ツール\\a.exe", u"1", u"0x80000000", u"有効"}},
        CellCase{{u"x", INT_MAX, 0xFFFFFFFF}, {u"x", u"2147483647", u"0xffffffff", u"有効"}},
        // The most negative count still shows its exact magnitude.
        CellCase{{u"x", INT_MIN, 0x1}, {u"x", u"2147483648", u"0x00000001", u"無効"}}));

TEST(RuleColumnsTest, HeadersWidthsAndAlignment) {
  EXPECT_EQ(std::u16string(kRuleColumns[0].header), u"実行ファイル名");
  EXPECT_EQ(std::u16string(kRuleColumns[1].header), u"CPUコア数");
  EXPECT_EQ(std::u16string(kRuleColumns[2].header), u"CPUマスク");
  EXPECT_EQ(std::u16string(kRuleColumns[3].header), u"動作");
  const int widths[] = {420, 75, 70, 40};
  const bool right[] = {false, true, true, false};
  for (int i = 0; i < kRuleColumnCount; ++i) {
    EXPECT_EQ(kRuleColumns[i].width, widths[i]);
    EXPECT_EQ(kRuleColumns[i].alignRight, right[i]);
  }
}

}  // namespace
}  // namespace tarrowin
