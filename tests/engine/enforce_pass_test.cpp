// One enforcement pass of the engine over the scripted process source:
// matching, the decision table, several rules on one process, and the
// failures that a pass skips.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "tests/engine/fake_process_source.h"

namespace tarrowin {
namespace {

using testing::FakeProcess;
using testing::FakeProcessSource;
using testing::MaskChange;

constexpr std::uint32_t kSeed = 20240607;

class EnforcePassTest : public ::testing::Test {
 protected:
  EnforcePassTest() {
    auto source = std::make_unique<FakeProcessSource>();
    source_ = source.get();
    engine_ = std::make_unique<CCPULimitThread>(std::move(source), kSeed);
  }

  void SetRules(const std::vector<LimitRule>& rules) { engine_->SetRules(rules); }

  // Runs a pass and checks that it used the source in order and closed all.
  void Pass() {
    engine_->EnforcePass();
    EXPECT_EQ(source_->misuse, 0);
    EXPECT_FALSE(source_->snapshot_open());
    EXPECT_FALSE(source_->affinity_open());
  }

  // The generator's choices, as the engine seeded with kSeed makes them.
  CMersenneTwister reference_{kSeed};
  FakeProcessSource* source_;
  std::unique_ptr<CCPULimitThread> engine_;
};

// --- Decision table, one process and one enabled matching rule ---

enum class Outcome { kLeave, kExplicitMask, kRandomChoice };

struct DecisionCase {
  const char* name;
  std::uint32_t system, process;
  std::int32_t count;
  std::uint32_t explicit_mask;
  Outcome outcome;
};

AffinityAction ActionOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kLeave:
      return AffinityAction::kLeave;
    case Outcome::kExplicitMask:
      return AffinityAction::kSetExplicitMask;
    case Outcome::kRandomChoice:
      break;
  }
  return AffinityAction::kChooseCores;
}

class DecisionTableTest : public EnforcePassTest,
                          public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(DecisionTableTest, DecidesTheNewMask) {
  const DecisionCase& c = GetParam();
  source_->system_mask = c.system;
  source_->processes = {{.id = 40, .path = u"C:\\Apps\\app.exe", .mask = c.process}};
  SetRules({{u"app.exe", c.count, c.explicit_mask}});
  Pass();
  std::vector<MaskChange> expected;
  if (c.outcome == Outcome::kExplicitMask) expected = {{40, c.explicit_mask}};
  if (c.outcome == Outcome::kRandomChoice) {
    expected = {{40, ChooseCores(c.system, c.count, reference_)}};
    EXPECT_EQ(CountBits(expected[0].mask), c.count);
  }
  EXPECT_EQ(source_->changes, expected);
  EXPECT_EQ(source_->affinity_opens, std::vector<ProcessId>{40});
  // The row alone, as a preview of the pass names it.
  EXPECT_EQ(ClassifyAffinity(c.count, c.explicit_mask, c.process, c.system), ActionOf(c.outcome));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecisionTableTest,
    ::testing::Values(
        DecisionCase{"RuleCoversAllFourProcessors", 0xF, 0xF, 4, 0, Outcome::kLeave},
        DecisionCase{"RuleCoversAllEvenWithMask", 0xF, 0xF, 4, 0xF, Outcome::kLeave},
        DecisionCase{"ProcessHasFewerThanAllowed", 0xFF, 0x1, 2, 0, Outcome::kLeave},
        DecisionCase{"FewerThanAllowedEvenWithMask", 0xFF, 0x10, 2, 0x3, Outcome::kLeave},
        DecisionCase{"AlreadyTheExplicitMask", 0xFF, 0x30, 2, 0x30, Outcome::kLeave},
        DecisionCase{"AlreadyThatManyProcessors", 0xFF, 0x5, 2, 0, Outcome::kLeave},
        DecisionCase{"ExplicitMaskMovesTheProcess", 0xFF, 0x30, 2, 0x3, Outcome::kExplicitMask},
        DecisionCase{"ExplicitMaskNarrows", 0xFF, 0xFF, 2, 0xC0, Outcome::kExplicitMask},
        DecisionCase{"ExplicitMaskOutsideTheSystem", 0xF, 0xF, 2, 0x30, Outcome::kRandomChoice},
        DecisionCase{"ExplicitMaskPartlyOutside", 0xF, 0xF, 2, 0x18, Outcome::kRandomChoice},
        DecisionCase{"RandomPairOfEight", 0xFF, 0xFF, 2, 0, Outcome::kRandomChoice},
        DecisionCase{"RandomFromSystemNotProcess", 0xF, 0x6, 1, 0, Outcome::kRandomChoice},
        DecisionCase{"OneOfTwoProcessors", 0x3, 0x3, 1, 0, Outcome::kRandomChoice},
        DecisionCase{"HighProcessors", 0xFFFF0000u, 0xFFFF0000u, 3, 0, Outcome::kRandomChoice}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) { return info.param.name; });

// --- Matching a rule's name against a process's path ---

struct MatchCase {
  const char* name;
  std::u16string path, rule_name;
  bool matches;
};

class MatchTest : public EnforcePassTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(MatchTest, ComparesTheWholePathThenTheFileName) {
  const MatchCase& c = GetParam();
  source_->processes = {{.id = 7, .path = c.path, .mask = 0xFF}};
  SetRules({{c.rule_name, 2, 0x3}});
  Pass();
  EXPECT_EQ(source_->MaskOf(7), c.matches ? 0x3u : 0xFFu);
  // A rule that does not match never opens the process for its affinity.
  EXPECT_EQ(source_->affinity_opens.size(), c.matches ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MatchTest,
    ::testing::Values(
        MatchCase{"BareName", u"C:\\Windows\\notepad.exe", u"notepad.exe", true},
        MatchCase{"BareNameOtherCase", u"C:\\Windows\\notepad.exe", u"NotePad.EXE", true},
        MatchCase{"BareNameAnyFolder", u"D:\\x\\y\\z\\notepad.exe", u"notepad.exe", true},
        MatchCase{"FullPathOtherCase", u"C:\\Windows\\notepad.exe", u"c:\\WINDOWS\\Notepad.exe",
                  true},
        MatchCase{"FullPathOtherFolder", u"C:\\Windows\\notepad.exe", u"C:\\Tools\\notepad.exe",
                  false},
        MatchCase{"PartialPath", u"C:\\Windows\\notepad.exe", u"Windows\\notepad.exe", false},
        MatchCase{"NamePrefix", u"C:\\Windows\\notepad.exe", u"notepad", false},
        MatchCase{"ForwardSlashes", u"C:/Tools/build.exe", u"build.exe", true},
        MatchCase{"MixedSeparators", u"C:\\Tools/bin\\build.exe", u"BUILD.EXE", true},
        MatchCase{"LinuxPath", u"/usr/bin/sleep", u"sleep", true},
        MatchCase{"PathWithoutSeparator", u"tool.exe", u"tool.exe", true},
        MatchCase{"JapaneseName", u"C:\\ツール\\設定.exe", u"設定.EXE", true},
        MatchCase{"FullWidthLetters", u"C:\\ａｐｐ.exe", u"ＡＰＰ.exe", true}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

// --- Passes ---

TEST_F(EnforcePassTest, RandomChoiceIsKeptOnTheNextPass) {
  source_->processes = {{.id = 5, .path = u"C:\\a.exe", .mask = 0xFF}};
  SetRules({{u"a.exe", 2, 0}});
  Pass();
  const std::uint32_t chosen = ChooseCores(0xFF, 2, reference_);
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{5, chosen}}));
  Pass();
  EXPECT_EQ(source_->changes.size(), 1u);
  EXPECT_EQ(source_->affinity_opens.size(), 2u);
}

TEST_F(EnforcePassTest, GeneratorSequenceRunsOnAcrossPasses) {
  source_->processes = {{.id = 1, .path = u"C:\\a.exe", .mask = 0xFF},
                        {.id = 2, .path = u"C:\\b.exe", .mask = 0xFF}};
  SetRules({{u"a.exe", 3, 0}, {u"b.exe", 2, 0}});
  Pass();
  source_->Find(1)->mask = 0xFF;  // something widened both again
  source_->Find(2)->mask = 0xFF;
  Pass();
  std::vector<MaskChange> expected;
  for (int pass = 0; pass < 2; ++pass) {
    expected.push_back({1, ChooseCores(0xFF, 3, reference_)});
    expected.push_back({2, ChooseCores(0xFF, 2, reference_)});
  }
  EXPECT_EQ(source_->changes, expected);
}

TEST_F(EnforcePassTest, EveryMatchingRuleAppliesInListOrder) {
  source_->processes = {{.id = 9, .path = u"C:\\Apps\\app.exe", .mask = 0xFF}};
  SetRules({{u"app.exe", 4, 0}, {u"C:\\Apps\\app.exe", 2, 0}});
  Pass();
  const std::uint32_t four = ChooseCores(0xFF, 4, reference_);
  const std::uint32_t two = ChooseCores(0xFF, 2, reference_);
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{9, four}, {9, two}}));
  EXPECT_EQ(source_->MaskOf(9), two);
}

TEST_F(EnforcePassTest, LaterRuleSeesTheMaskTheEarlierOneSet) {
  // The second rule finds the process on the two processors of the first
  // one's explicit mask and leaves it there.
  source_->processes = {{.id = 9, .path = u"C:\\Apps\\app.exe", .mask = 0xFF}};
  SetRules({{u"app.exe", 2, 0x3}, {u"APP.EXE", 2, 0}});
  Pass();
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{9, 0x3}}));
  EXPECT_EQ(source_->affinity_opens, (std::vector<ProcessId>{9, 9}));
}

TEST_F(EnforcePassTest, DisabledRulesNeverOpenTheProcess) {
  source_->processes = {{.id = 3, .path = u"C:\\a.exe", .mask = 0xFF}};
  SetRules({{u"a.exe", 0, 0x3}, {u"a.exe", -2, 0}, {u"C:\\a.exe", -1, 0x1}});
  Pass();
  EXPECT_TRUE(source_->affinity_opens.empty());
  EXPECT_TRUE(source_->changes.empty());
}

TEST_F(EnforcePassTest, EmptyRuleListChangesNothing) {
  source_->processes = {{.id = 3, .path = u"C:\\a.exe", .mask = 0xFF}};
  SetRules({{u"a.exe", 1, 0}});
  SetRules({});
  Pass();
  EXPECT_TRUE(source_->affinity_opens.empty());
  EXPECT_EQ(source_->MaskOf(3), 0xFFu);
}

TEST_F(EnforcePassTest, FailingStepsSkipOnlyTheirProcessOrRule) {
  source_->processes = {
      {.id = 1, .path = u"C:\\a.exe", .mask = 0xFF, .path_readable = false},
      {.id = 2, .path = u"", .mask = 0xFF},  // a path of length 0
      {.id = 3, .path = u"C:\\a.exe", .mask = 0xFF, .affinity_allowed = false},
      {.id = 4, .path = u"C:\\a.exe", .mask = 0xFF, .masks_readable = false},
      {.id = 5, .path = u"C:\\a.exe", .mask = 0xFF},
  };
  SetRules({{u"a.exe", 2, 0x3}, {u"C:\\A.EXE", 1, 0x4}});
  Pass();
  // Processes 1 and 2 are never opened; 3 and 4 are opened once per rule;
  // 5 is narrowed by the first rule and then by the second.
  EXPECT_EQ(source_->affinity_opens, (std::vector<ProcessId>{3, 3, 4, 4, 5, 5}));
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{5, 0x3}, {5, 0x4}}));
  EXPECT_EQ(source_->path_reads, 5);
}

TEST_F(EnforcePassTest, FailedSnapshotEndsThePass) {
  source_->processes = {{.id = 1, .path = u"C:\\a.exe", .mask = 0xFF}};
  source_->snapshot_fails = true;
  SetRules({{u"a.exe", 1, 0}});
  Pass();
  EXPECT_EQ(source_->path_reads, 0);
  EXPECT_EQ(source_->passes_ended.load(), 0);
}

TEST_F(EnforcePassTest, PathsAreCutToTheBuffer) {
  // The buffer holds 2047 units and the terminator: a path of that length
  // matches, one unit more loses the last letter of the file name.
  const std::size_t room = CCPULimitThread::kPathCapacity - 1;
  const std::u16string name = u"\\app.exe";
  const std::u16string fits = std::u16string(room - name.size(), u'd') + name;
  const std::u16string cut = u"d" + fits;
  source_->processes = {{.id = 1, .path = fits, .mask = 0xFF},
                        {.id = 2, .path = cut, .mask = 0xFF}};
  SetRules({{u"app.exe", 1, 0x1}, {u"app.ex", 1, 0x2}});
  Pass();
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{1, 0x1}, {2, 0x2}}));
}

// --- What a pass tells the caller ---

struct ReportedChange {
  ProcessId process;
  std::u16string path;
  std::uint32_t old_mask, new_mask;
  bool operator==(const ReportedChange&) const = default;
};

TEST_F(EnforcePassTest, ReportsEveryMaskItSetInOrder) {
  source_->processes = {{.id = 9, .path = u"C:\\Apps\\app.exe", .mask = 0xFF},
                        {.id = 4, .path = u"C:\\b.exe", .mask = 0x3},
                        {.id = 6, .path = u"D:\\app.exe", .mask = 0xF0, .mask_settable = false}};
  SetRules({{u"app.exe", 4, 0x0F}, {u"C:\\Apps\\app.exe", 2, 0x3}, {u"b.exe", 2, 0}});
  std::vector<ReportedChange> reported;
  engine_->SetChangeHandler([&](const AffinityChange& change) {
    reported.push_back(
        {change.Process, std::u16string(change.Path), change.OldMask, change.NewMask});
  });
  Pass();
  // Process 4 is left alone; the mask of process 6 could not be set, so it
  // is tried but not reported.
  EXPECT_EQ(reported, (std::vector<ReportedChange>{{9, u"C:\\Apps\\app.exe", 0xFF, 0x0F},
                                                   {9, u"C:\\Apps\\app.exe", 0x0F, 0x3}}));
  EXPECT_EQ(source_->changes, (std::vector<MaskChange>{{9, 0x0F}, {9, 0x3}, {6, 0x0F}}));

  // The failed one is tried again on the next pass; an empty handler ends
  // the reports.
  engine_->SetChangeHandler({});
  Pass();
  EXPECT_EQ(reported.size(), 2u);
  EXPECT_EQ(source_->changes.back(), (MaskChange{6, 0x0F}));
}

}  // namespace
}  // namespace tarrowin
