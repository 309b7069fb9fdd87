// The rule clamp, checked without Windows.
#include "app/normalize_rule.h"

#include <gtest/gtest.h>

#include <climits>

namespace tarrowin {
namespace {

struct ClampCase {
  int systemCPUCount;
  LimitRule in;
  LimitRule out;
};

class NormalizeRuleTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(NormalizeRuleTest, ClampsCountAndMask) {
  LimitRule rule = GetParam().in;
  NormalizeRule(rule, GetParam().systemCPUCount);
  EXPECT_EQ(rule, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, NormalizeRuleTest,
    ::testing::Values(
        // Too many cores: cut to the system's count, sign kept, mask dropped.
        ClampCase{8, {u"a", 64, 0}, {u"a", 8, 0}}, ClampCase{8, {u"a", -64, 0}, {u"a", -8, 0}},
        ClampCase{8, {u"a", 12, 0xFFF}, {u"a", 8, 0}},
        ClampCase{8, {u"a", -12, 0xFFF}, {u"a", -8, 0}},
        ClampCase{2, {u"a", INT_MAX, 0x3}, {u"a", 2, 0}},
        ClampCase{2, {u"a", INT_MIN, 0x3}, {u"a", -2, 0}},
        // No cores: disabled, and never an explicit mask.
        ClampCase{8, {u"a", 0, 0x1}, {u"a", 0, 0}},
        // The mask is kept only with exactly the count's bits.
        ClampCase{8, {u"a", 2, 0x7}, {u"a", 2, 0}}, ClampCase{8, {u"a", 2, 0x3}, {u"a", 2, 0x3}},
        ClampCase{8, {u"a", -2, 0x5}, {u"a", -2, 0x5}},
        ClampCase{8, {u"a", -3, 0x5}, {u"a", -3, 0}}, ClampCase{8, {u"a", 1, 0}, {u"a", 1, 0}},
        ClampCase{8, {u"a", 8, 0xFF}, {u"a", 8, 0xFF}},
        // Not compared with the system's processors: the right number of
        // bits is enough.
        ClampCase{2, {u"a", 2, 0x80000001}, {u"a", 2, 0x80000001}},
        ClampCase{4, {u"a", 1, 0x10}, {u"a", 1, 0x10}},
        // The name is never touched.
        ClampCase{4, {u"", 5, 0}, {u"", 4, 0}},
        ClampCase{32, {u"C:\\x.exe", 32, 0xFFFFFFFF}, {u"C:\\x.exe", 32, 0xFFFFFFFF}}));

TEST(CountMagnitudeTest, IsExactForEveryCount) {
  EXPECT_EQ(CountMagnitude(0), 0u);
  EXPECT_EQ(CountMagnitude(3), 3u);
  EXPECT_EQ(CountMagnitude(-3), 3u);
  EXPECT_EQ(CountMagnitude(INT_MAX), 2147483647u);
  EXPECT_EQ(CountMagnitude(INT_MIN), 2147483648u);
}

}  // namespace
}  // namespace tarrowin
