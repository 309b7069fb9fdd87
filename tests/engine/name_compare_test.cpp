#include "engine/name_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace tarrowin {
namespace {

TEST(EqualNoCaseTest, IgnoresLetterCaseOnly) {
  struct Case {
    std::u16string a, b;
    bool equal;
  };
  const Case cases[] = {
      {u"Tool.EXE", u"tool.exe", true},
      {u"C:\\Program Files\\A.exe", u"c:\\PROGRAM FILES\\a.EXE", true},
      {u"tool.exe", u"tool.ex", false},
      {u"tool.ex", u"tool.exe", false},
      {u"", u"", true},
      {u"a", u"", false},
      {u"[tool]", u"{tool}", false},  // '[' and '{' differ by 0x20 but are not letters
      {u"ÀÉÎÕÜ.exe", u"àéîõü.EXE", true},
      {u"×", u"÷", false},
      {u"ĀŁŽ", u"āłž", true},
      {u"ΑΒΓ", u"αβγ", true},
      {u"ЁЖЯ", u"ёжя", true},
      {u"ＴＯＯＬ.exe", u"ｔｏｏｌ.exe", true},
      {u"ＴＯＯＬ.exe", u"TOOL.exe", false},  // full width is not ASCII
      {u"設定.exe", u"設定.EXE", true},
      {u"設定.exe", u"説定.exe", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualNoCase(c.a.c_str(), c.b.c_str()), c.equal)
        << std::string(c.a.begin(), c.a.end());
    EXPECT_EQ(EqualNoCase(c.b.c_str(), c.a.c_str()), c.equal);
  }
}

TEST(FoldCaseTest, LatinExtendedPairsFoldToTheirPartner) {
  // Pairs start on even code points, between U+0139 and U+0148 on odd ones.
  const std::pair<char16_t, char16_t> pairs[] = {{0x100, 0x101}, {0x132, 0x133}, {0x139, 0x13A},
                                                 {0x147, 0x148}, {0x14A, 0x14B}, {0x176, 0x177},
                                                 {0x178, 0xFF},  {0x179, 0x17A}, {0x17D, 0x17E}};
  for (const auto& [upper, lower] : pairs) {
    EXPECT_EQ(FoldCase(upper), lower) << std::hex << int(upper);
    EXPECT_EQ(FoldCase(lower), lower) << std::hex << int(lower);
  }
  for (char16_t alone : {u'\u0131', u'\u0138', u'\u0149', u'\u017F'}) {
    EXPECT_EQ(FoldCase(alone), alone);
  }
}

}  // namespace
}  // namespace tarrowin
