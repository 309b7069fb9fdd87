#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

namespace tarrowin {
namespace {

struct ParseCase {
  const char16_t* text;
  std::int32_t expected;
};

class ParseIntTest : public testing::TestWithParam<ParseCase> {};
TEST_P(ParseIntTest, ReadsLeadingDecimal) {
  EXPECT_EQ(ParseInt(GetParam().text), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIntTest,
    testing::Values(ParseCase{u"  42", 42}, ParseCase{u"+7", 7}, ParseCase{u"-7", -7},
                    ParseCase{u"12abc", 12}, ParseCase{u"abc", 0}, ParseCase{u"", 0},
                    ParseCase{u"4294967297", 1}, ParseCase{u"0x1F", 0}, ParseCase{u"\t 9", 9},
                    ParseCase{u"\n9", 0}, ParseCase{u"2147483647", 2147483647},
                    ParseCase{u"2147483648", INT32_MIN}, ParseCase{u"-2147483648", INT32_MIN}));

class ParseHexTest : public testing::TestWithParam<ParseCase> {};
TEST_P(ParseHexTest, ReadsLeadingHex) { EXPECT_EQ(ParseHex(GetParam().text), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(Cases, ParseHexTest,
                         testing::Values(ParseCase{u"ff", 255}, ParseCase{u"-10", -16},
                                         ParseCase{u"100000001", 1}, ParseCase{u"FFFFFFFF", -1},
                                         ParseCase{u"0x10", 0}, ParseCase{u"aBcD", 0xABCD},
                                         ParseCase{u"g", 0}));

class ParseNumberTest : public testing::TestWithParam<ParseCase> {};
TEST_P(ParseNumberTest, ReadsDecimalOrPrefixedHex) {
  EXPECT_EQ(ParseNumber(GetParam().text), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Cases, ParseNumberTest,
                         testing::Values(ParseCase{u"0x0000000f", 15}, ParseCase{u" 0Xff", 255},
                                         ParseCase{u"-0x10", -16}, ParseCase{u"010", 10},
                                         ParseCase{u"0x", 0}, ParseCase{u"0", 0},
                                         ParseCase{u"- 5", -5}, ParseCase{u"-+5", -5},
                                         ParseCase{u"--5", 5}, ParseCase{u"0xffffffff", -1},
                                         ParseCase{u"0x80000000", INT32_MIN},
                                         ParseCase{u"25", 25}));

struct FormatCase {
  std::int32_t value;
  int capacity;
  const char16_t* expected;
};

class FormatIntTest : public testing::TestWithParam<FormatCase> {};
TEST_P(FormatIntTest, WritesWithinCapacity) {
  const FormatCase& c = GetParam();
  // Guard units around the buffer show any write outside the capacity.
  char16_t buffer[40];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_EQ(FormatInt(c.value, buffer + 4, c.capacity), 1);
  EXPECT_EQ(std::u16string(buffer + 4), c.expected);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(buffer[i], u'#');
  for (int i = 4 + std::max(c.capacity, 0); i < 40; ++i) EXPECT_EQ(buffer[i], u'#') << i;
}
INSTANTIATE_TEST_SUITE_P(Cases, FormatIntTest,
                         testing::Values(FormatCase{0, 32, u"0"}, FormatCase{-15, 32, u"-15"},
                                         FormatCase{2147483647, 32, u"2147483647"},
                                         FormatCase{INT32_MIN, 32, u"-2147483648"},
                                         FormatCase{INT32_MIN, 12, u"-2147483648"},
                                         FormatCase{987, 3, u"98"}, FormatCase{-987, 3, u"-9"},
                                         FormatCase{-987, 1, u""}, FormatCase{5, 2, u"5"}));

TEST(FormatIntTest, ZeroCapacityWritesNothing) {
  char16_t buffer[2] = {u'#', u'#'};
  EXPECT_EQ(FormatInt(42, buffer, 0), 1);
  EXPECT_EQ(buffer[0], u'#');
}

TEST(NumberTextTest, FormatThenParseRoundTrips) {
  for (std::int32_t v : {0, 1, -1, 12345, -99999, 2147483647, INT32_MIN}) {
    char16_t buffer[32];
    FormatInt(v, buffer, 32);
    EXPECT_EQ(ParseInt(buffer), v);
    EXPECT_EQ(ParseNumber(buffer), v);
  }
}

}  // namespace
}  // namespace tarrowin
