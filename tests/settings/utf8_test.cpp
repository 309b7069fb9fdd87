#include "settings/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace tarrowin {
namespace {

struct DecodeCase {
  std::string bytes;
  int consumed;
  std::u16string units;  // what the decoder wrote (a lone 0 for none)
};

class Utf8DecodeCharTest : public testing::TestWithParam<DecodeCase> {};
TEST_P(Utf8DecodeCharTest, Decodes) {
  const DecodeCase& c = GetParam();
  char16_t out[2] = {u'#', u'#'};
  EXPECT_EQ(Utf8DecodeChar(out, c.bytes.c_str()), c.consumed);
  EXPECT_EQ(out[0], c.units[0]);
  if (c.units.size() > 1) {
    EXPECT_EQ(out[1], c.units[1]);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8DecodeCharTest,
    testing::Values(DecodeCase{"A", 1, u"A"}, DecodeCase{"\xE3\x81\x82", 3, u"\u3042"},
                    DecodeCase{"\xF0\x9F\x98\x80", 4, u"\xD83D\xDE00"},
                    DecodeCase{"\xC3\xA9", 2, u"\u00E9"},
                    DecodeCase{std::string("\xC0\x80", 2), 0, std::u16string(1, 0)},
                    DecodeCase{"\x80", 0, std::u16string(1, 0)},
                    DecodeCase{"\xF8\x80\x80\x80", 0, std::u16string(1, 0)},
                    DecodeCase{"\xE0\x80\x80", 3, std::u16string(1, 0)},      // over-long
                    DecodeCase{"\xF4\x90\x80\x80", 4, std::u16string(1, 0)},  // > 10FFFF
                    DecodeCase{"\xED\xA0\x80", 3, u"\xD800"},                 // surrogate passed on
                    // Continuation bytes are not checked beyond their low six bits.
                    DecodeCase{"\xC3\x29", 2, u"\u00E9"},
                    // Cut short by the terminator: nothing consumed.
                    DecodeCase{"\xE3\x81", 0, std::u16string(1, 0)},
                    DecodeCase{"\xF0\x9F\x98", 0, std::u16string(1, 0)}));

struct EncodeCase {
  std::u16string units;
  std::string bytes;
};

class Utf8EncodeCharTest : public testing::TestWithParam<EncodeCase> {};
TEST_P(Utf8EncodeCharTest, Encodes) {
  const EncodeCase& c = GetParam();
  char out[4] = {'#', '#', '#', '#'};
  const int n = Utf8EncodeChar(out, c.units.c_str());
  EXPECT_EQ(std::string(out, n), c.bytes);
}
INSTANTIATE_TEST_SUITE_P(Cases, Utf8EncodeCharTest,
                         testing::Values(EncodeCase{u"A", "A"}, EncodeCase{u"\u00E9", "\xC3\xA9"},
                                         EncodeCase{u"\u3042", "\xE3\x81\x82"},
                                         EncodeCase{u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
                                         EncodeCase{u"\xDE00", ""}, EncodeCase{u"\xD83D", ""},
                                         EncodeCase{u"\xD83Dx", ""},
                                         EncodeCase{u"\uFFFF", "\xEF\xBF\xBF"}));

// Conversion into a buffer with guard units on both sides; checks that
// nothing is written outside the capacity and that the output is terminated.
template <typename Out, typename In>
struct Guarded {
  static constexpr int kGuard = 8;
  std::vector<Out> storage;
  int capacity;
  int result = 0;

  Guarded(int (*convert)(Out*, const In*, int), const In* in, int capacity)
      : storage(capacity + 2 * kGuard, Out('#')), capacity(capacity) {
    result = convert(storage.data() + kGuard, in, capacity);
  }
  std::basic_string<Out> text() const { return storage.data() + kGuard; }
  bool GuardsIntact() const {
    for (int i = 0; i < kGuard; ++i) {
      if (storage[i] != Out('#') || storage[kGuard + capacity + i] != Out('#')) return false;
    }
    return true;
  }
  bool TerminatedInside() const {
    const Out* begin = storage.data() + kGuard;
    return std::find(begin, begin + capacity, Out(0)) != begin + capacity;
  }
};

struct ToWideCase {
  std::string in;
  int capacity;
  int result;
  std::u16string text;
};

class Utf8ToWideTest : public testing::TestWithParam<ToWideCase> {};
TEST_P(Utf8ToWideTest, Converts) {
  const ToWideCase& c = GetParam();
  Guarded<char16_t, char> out(Utf8ToWide, c.in.c_str(), c.capacity);
  EXPECT_EQ(out.result, c.result);
  EXPECT_TRUE(out.GuardsIntact());
  if (c.capacity > 0) {
    EXPECT_TRUE(out.TerminatedInside());
    EXPECT_EQ(out.text(), c.text);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToWideTest,
    testing::Values(ToWideCase{"abcdef", 100, 6, u"abcdef"}, ToWideCase{"abcdef", 4, 3, u"abc"},
                    ToWideCase{"abc", 4, 3, u"abc"}, ToWideCase{"", 1, 0, u""},
                    ToWideCase{"abc", 1, 0, u""}, ToWideCase{"abc", 0, -1, u""},
                    ToWideCase{"abc", -5, -1, u""},
                    ToWideCase{"\xE8\xA8\xAD\xE5\xAE\x9A.ini", 32, 6, u"\u8A2D\u5B9A.ini"},
                    // A pair that would pass the limit is dropped whole.
                    ToWideCase{"a\xF0\x9F\x98\x80", 3, -1, u"a"},
                    ToWideCase{"a\xF0\x9F\x98\x80", 4, 3, u"a\xD83D\xDE00"},
                    // Invalid lead byte and cut sequence end the conversion.
                    ToWideCase{"ab\x80z", 10, 2, u"ab"}, ToWideCase{"ab\xE3\x81", 10, 2, u"ab"}));

struct ToUtf8Case {
  std::u16string in;
  int capacity;
  int result;
  std::string text;
};

class WideToUtf8Test : public testing::TestWithParam<ToUtf8Case> {};
TEST_P(WideToUtf8Test, Converts) {
  const ToUtf8Case& c = GetParam();
  Guarded<char, char16_t> out(WideToUtf8, c.in.c_str(), c.capacity);
  EXPECT_EQ(out.result, c.result);
  EXPECT_TRUE(out.GuardsIntact());
  if (c.capacity > 1) {
    EXPECT_TRUE(out.TerminatedInside());
    EXPECT_EQ(out.text(), c.text);
  }
}
INSTANTIATE_TEST_SUITE_P(
    Cases, WideToUtf8Test,
    testing::Values(ToUtf8Case{u"abcdef", 100, 6, "abcdef"}, ToUtf8Case{u"abcdef", 5, 3, "abc"},
                    ToUtf8Case{u"", 2, 0, ""}, ToUtf8Case{u"abc", 1, -1, ""},
                    ToUtf8Case{u"abc", 0, -1, ""},
                    ToUtf8Case{u"ab\xDE00"
                               u"cd",
                               100, 2, "ab"},  // lone low surrogate
                    ToUtf8Case{u"\u8A2D\u5B9A", 100, 6, "\xE8\xA8\xAD\xE5\xAE\x9A"},
                    // Three-byte character begun one byte before the limit: dropped.
                    ToUtf8Case{u"a\u3042", 4, -1, "a"},
                    // Fills the last byte before the terminator: more than capacity-2.
                    ToUtf8Case{u"a\u3042", 5, -1, "a\xE3\x81\x82"},
                    ToUtf8Case{u"a\u3042", 6, 4, "a\xE3\x81\x82"},
                    ToUtf8Case{u"\xD83D\xDE00", 4, -1, ""},
                    ToUtf8Case{u"\xD83D\xDE00", 5, -1, "\xF0\x9F\x98\x80"},
                    ToUtf8Case{u"\xD83D\xDE00", 6, 4, "\xF0\x9F\x98\x80"}));

TEST(Utf8RoundTripTest, EveryBmpCharacterAndAPair) {
  std::u16string all;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c < 0xD800 || c > 0xDFFF) all.push_back(static_cast<char16_t>(c));
  }
  all += u"\xD83D\xDE00";
  std::vector<char> utf8(all.size() * 3 + 8);
  const int bytes = WideToUtf8(utf8.data(), all.c_str(), static_cast<int>(utf8.size()));
  ASSERT_GT(bytes, 0);
  std::vector<char16_t> back(all.size() + 4);
  const int units = Utf8ToWide(back.data(), utf8.data(), static_cast<int>(back.size()));
  ASSERT_EQ(units, static_cast<int>(all.size()));
  EXPECT_EQ(std::u16string(back.data()), all);
}

}  // namespace
}  // namespace tarrowin
