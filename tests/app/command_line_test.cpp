// Splitting the start-up command line and reading its cycle word, checked
// without Windows.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource.h"

namespace tarrowin {
namespace {

struct SplitCase {
  const char16_t* text;
  int result;
  std::vector<std::u16string> arguments;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsAtBlanksOutsideQuotes) {
  // Whatever the list held before is replaced.
  std::vector<std::u16string> arguments = {u"stale"};
  EXPECT_EQ(SplitCommandLine(GetParam().text, arguments), GetParam().result);
  EXPECT_EQ(arguments, GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{nullptr, 0, {}}, SplitCase{u"", 0, {}},
        // Only blanks: success, but nothing to apply.
        SplitCase{u"  \t ", 1, {}}, SplitCase{u"rules.ini normal", 1, {u"rules.ini", u"normal"}},
        SplitCase{u"\trules.ini \t  long  ", 1, {u"rules.ini", u"long"}},
        SplitCase{u"\"C:\\My Rules\\rules.ini\" long", 1, {u"C:\\My Rules\\rules.ini", u"long"}},
        SplitCase{u"a\"b c\"d", 1, {u"ab c", u"d"}}, SplitCase{u"\"\"", 1, {u""}},
        SplitCase{u"\"\" normal", 1, {u"", u"normal"}},
        SplitCase{u"a \"\" b", 1, {u"a", u"", u"b"}},
        // An open quote runs to the end, blanks included.
        SplitCase{u"\"C:\\a b\\c.ini normal", 1, {u"C:\\a b\\c.ini normal"}},
        SplitCase{u"\"a\tb\"", 1, {u"a\tb"}}, SplitCase{u"\"a\"\"b\"", 1, {u"a", u"b"}},
        SplitCase{u"C:\\設定\\規則.ini stop", 1, {u"C:\\設定\\規則.ini", u"stop"}},
        SplitCase{u"a b c", 1, {u"a", u"b", u"c"}}));

struct ArgumentsCase {
  const char16_t* commandLine;
  const char16_t* arguments;
};

class ArgumentsTextTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsTextTest, SkipsTheProgramPathAsTheRuntimeDoes) {
  EXPECT_EQ(std::u16string(ArgumentsText(GetParam().commandLine)), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ArgumentsTextTest,
    ::testing::Values(ArgumentsCase{u"tarrowin.exe a b", u"a b"},
                      ArgumentsCase{
                          u"\"C:\\My Tools\\tarrowin.exe\" \"C:\\設定 설정\\a.ini\" normal",
                          u"\"C:\\設定 설정\\a.ini\" normal"},
                      // Quotes toggle anywhere in the path; blanks and control characters
                      // after it are skipped, trailing blanks kept.
                      ArgumentsCase{u"C:\\My\" T\"ools\\t.exe  z ", u"z "},
                      ArgumentsCase{u"t.exe\t\x01\x1F q", u"q"},
                      // Blanks before the path end it at once: the path is then an argument.
                      ArgumentsCase{u"  t.exe  a", u"t.exe  a"}, ArgumentsCase{u"\"t.exe", u""},
                      ArgumentsCase{u"t.exe", u""}, ArgumentsCase{u"t.exe   ", u""},
                      ArgumentsCase{u"\"\" a b", u"a b"}, ArgumentsCase{u"", u""}));

TEST(ArgumentsText, NoCommandLineGivesNone) { EXPECT_EQ(ArgumentsText(nullptr), nullptr); }

TEST(CycleWordTest, OnlyTheThreeExactWordsSelectACycle) {
  struct Expected {
    const char16_t* word;
    unsigned command;
    bool hides;
  };
  const Expected words[] = {{u"normal", ID_CYCLE_NORMAL, true},
                            {u"long", ID_CYCLE_LONG, true},
                            {u"stop", ID_CYCLE_STOP, false}};
  for (const Expected& expected : words) {
    const CycleWord* found = FindCycleWord(expected.word);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->command, expected.command);
    EXPECT_EQ(found->hides, expected.hides);
  }
  for (const char16_t* other : {u"Normal", u"NORMAL", u"Long", u"Stop", u"normal ", u" stop", u"",
                                u"norma", u"longer", u"/normal"}) {
    EXPECT_EQ(FindCycleWord(other), nullptr) << std::u16string(other).size();
  }
}

}  // namespace
}  // namespace tarrowin
