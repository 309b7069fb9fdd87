// Exact UTF-8 decoding: well-formed text only, whole or not at all.
#include "settings/utf8_strict.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "settings/utf8.h"

namespace tarrowin {
namespace {

struct StrictCase {
  const char* name;
  std::string bytes;
  std::optional<std::u16string> text;  // nothing: refused
};

void PrintTo(const StrictCase& c, std::ostream* out) { *out << c.name; }

class Utf8ExactCaseTest : public testing::TestWithParam<StrictCase> {};

TEST_P(Utf8ExactCaseTest, DecodesWellFormedTextAndRefusesTheRest) {
  const StrictCase& c = GetParam();
  char16_t out[16];
  std::fill(std::begin(out), std::end(out), u'#');
  const auto units = DecodeUtf8Exactly(c.bytes, out, std::size(out));
  if (c.text) {
    ASSERT_TRUE(units.has_value());
    EXPECT_EQ(std::u16string(out, *units), *c.text);
    EXPECT_EQ(out[*units], 0);
  } else {
    EXPECT_FALSE(units.has_value());
    EXPECT_EQ(out[0], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ExactCaseTest,
    testing::Values(StrictCase{"Empty", "", u""},
                    StrictCase{"Ascii", "/usr/bin/tool", u"/usr/bin/tool"},
                    StrictCase{"TwoBytes", "\xC3\xA9", u"\u00E9"},
                    StrictCase{"ThreeBytes", "\xE3\x81\x82\xEF\xBF\xBF", u"\u3042\uFFFF"},
                    StrictCase{"FourBytes", "\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
                    StrictCase{"Highest", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
                    StrictCase{"StrayContinuation", "ab\x80", std::nullopt},
                    StrictCase{"OverLongTwo", "\xC0\xAF", std::nullopt},
                    StrictCase{"OverLongTwoC1", "\xC1\xBF", std::nullopt},
                    StrictCase{"OverLongThree", "\xE0\x80\xAF", std::nullopt},
                    StrictCase{"OverLongFour", "\xF0\x8F\xBF\xBF", std::nullopt},
                    StrictCase{"Surrogate", "\xED\xA0\x80", std::nullopt},
                    StrictCase{"AboveUnicode", "\xF4\x90\x80\x80", std::nullopt},
                    StrictCase{"LeadF5", "\xF5\x80\x80\x80", std::nullopt},
                    StrictCase{"ByteFF", "name\xFF", std::nullopt},
                    StrictCase{"CutAtTheEnd", "tool\xE3\x81", std::nullopt},
                    StrictCase{"AsciiInsteadOfContinuation", "\xE3\x41\x82", std::nullopt},
                    StrictCase{"NulByte", std::string("a\0b", 3), std::nullopt}),
    [](const testing::TestParamInfo<StrictCase>& info) { return info.param.name; });

TEST(DecodeUtf8ExactlyTest, TextMustFitWithItsTerminator) {
  char16_t out[4];
  EXPECT_EQ(DecodeUtf8Exactly("abc", out, 4), 3u);
  EXPECT_EQ(std::u16string(out), u"abc");
  EXPECT_FALSE(DecodeUtf8Exactly("abcd", out, 4).has_value());
  EXPECT_EQ(out[0], 0);
  // A surrogate pair is never split: "ab" and half of the pair would fit.
  EXPECT_FALSE(DecodeUtf8Exactly("ab\xF0\x9F\x98\x80", out, 4).has_value());
  EXPECT_EQ(DecodeUtf8Exactly("a\xF0\x9F\x98\x80", out, 4), 3u);
  EXPECT_FALSE(DecodeUtf8Exactly("", out, 0).has_value());
  EXPECT_EQ(DecodeUtf8Exactly("", out, 1), 0u);
}

// The reference: text is well-formed when each character, decoded on its
// own, encodes back to exactly its bytes (which rules out over-long forms,
// surrogates, values above U+10FFFF, bad continuations and NUL).
std::optional<std::u16string> ReferenceDecode(const std::string& bytes) {
  std::u16string text;
  const char* at = bytes.c_str();
  const char* end = at + bytes.size();
  while (at < end) {
    char16_t units[2] = {0, 0};
    const int consumed = Utf8DecodeChar(units, at);
    char again[4];
    if (consumed == 0 || units[0] == 0 || Utf8EncodeChar(again, units) != consumed ||
        std::string(again, consumed) != std::string(at, consumed)) {
      return std::nullopt;
    }
    text.append(units, consumed == 4 ? 2 : 1);
    at += consumed;
  }
  return text;
}

// Every text of one to three bytes with a lead byte of 80 or more, and
// every four-byte lead with every second byte: decoded exactly as the
// reference decodes them.
TEST(DecodeUtf8ExactlyTest, AgreesWithTheReferenceOnEveryShortSequence) {
  const auto agree = [](const std::string& bytes) {
    char16_t out[8];
    const auto units = DecodeUtf8Exactly(bytes, out, std::size(out));
    const auto expected = ReferenceDecode(bytes);
    if (units.has_value() != expected.has_value()) return false;
    return !units || std::u16string(out, *units) == *expected;
  };
  int accepted = 0;
  for (unsigned a = 0x80; a < 0x100; ++a) {
    const std::string one{static_cast<char>(a)};
    ASSERT_TRUE(agree(one)) << std::hex << a;
    for (unsigned b = 0; b < 0x100; ++b) {
      const std::string two = one + static_cast<char>(b);
      ASSERT_TRUE(agree(two)) << std::hex << a << ' ' << b;
      ASSERT_TRUE(agree(two + "\x80\xBF")) << std::hex << a << ' ' << b;
      for (unsigned c = 0; c < 0x100; ++c) {
        const std::string three = two + static_cast<char>(c);
        ASSERT_TRUE(agree(three)) << std::hex << a << ' ' << b << ' ' << c;
        char16_t out[4];
        if (three.size() == 3 && (a & 0xF0) == 0xE0 && DecodeUtf8Exactly(three, out, 4)) {
          ++accepted;
        }
      }
    }
  }
  // Every character from U+0800 to U+FFFF but the 2048 surrogates.
  EXPECT_EQ(accepted, 0x10000 - 0x800 - 0x800);
}

}  // namespace
}  // namespace tarrowin
