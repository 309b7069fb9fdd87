// The processes kept between passes: found by id and start time together,
// never kept without a start time, and forgotten once a pass misses them;
// a process kept again loses the rules found for it.
#include "engine/known_processes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarrowin {
namespace {

TEST(KnownProcessesTest, FindsAProcessByIdAndStartTimeTogether) {
  CKnownProcesses known;
  known.BeginPass();
  known.Keep({7, 100}, u"C:\\a.exe");
  known.Keep({8, 100}, u"C:\\b.exe");
  known.EndPass();

  known.BeginPass();
  const KnownProcess* found = known.Find({7, 100});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->Path, u"C:\\a.exe");
  EXPECT_EQ(known.Find({7, 101}), nullptr) << "the same id, started later";
  EXPECT_EQ(known.Find({9, 100}), nullptr);
  EXPECT_EQ(known.Find({8, 100})->Path, u"C:\\b.exe");
}

TEST(KnownProcessesTest, AProcessWithoutStartTimeIsNeverKept) {
  CKnownProcesses known;
  known.BeginPass();
  KnownProcess& record = known.Keep({7, 0}, u"C:\\a.exe");
  EXPECT_EQ(record.Path, u"C:\\a.exe");
  EXPECT_EQ(known.Find({7, 0}), nullptr);
  record.RulesVersion = 3;
  record.Rules = {0, 2};
  // The next one starts afresh.
  const KnownProcess& next = known.Keep({8, 0}, u"C:\\b.exe");
  EXPECT_EQ(next.Path, u"C:\\b.exe");
  EXPECT_EQ(next.RulesVersion, 0u);
  EXPECT_TRUE(next.Rules.empty());
  known.EndPass();
  EXPECT_EQ(known.size(), 0u);
}

TEST(KnownProcessesTest, KeepsOnlyWhatTheLastPassSaw) {
  CKnownProcesses known;
  known.BeginPass();
  for (ProcessId id = 1; id <= 1000; ++id) known.Keep({id, 5}, u"C:\\p.exe");
  known.EndPass();
  EXPECT_EQ(known.size(), 1000u);

  // Found or newly kept both count as seen; the rest has ended.
  known.BeginPass();
  for (ProcessId id = 1; id <= 10; ++id) ASSERT_NE(known.Find({id, 5}), nullptr);
  known.Keep({2000, 5}, u"C:\\new.exe");
  known.EndPass();
  EXPECT_EQ(known.size(), 11u);
  known.BeginPass();
  EXPECT_EQ(known.Find({11, 5}), nullptr);
  EXPECT_NE(known.Find({2000, 5}), nullptr);
  known.EndPass();
  EXPECT_EQ(known.size(), 1u);

  known.BeginPass();
  known.EndPass();
  EXPECT_EQ(known.size(), 0u);
}

TEST(KnownProcessesTest, WhatIsFoundOfAProcessStaysUntilItIsKeptAgain) {
  CKnownProcesses known;
  known.BeginPass();
  KnownProcess& record = known.Keep({7, 100}, u"C:\\a.exe");
  record.RulesVersion = 4;
  record.Rules = {1};
  known.EndPass();
  known.BeginPass();
  ASSERT_NE(known.Find({7, 100}), nullptr);
  EXPECT_EQ(known.Find({7, 100})->RulesVersion, 4u);
  EXPECT_EQ(known.Find({7, 100})->Rules, std::vector<std::size_t>{1});

  // Kept again: a new path, whose rules are not found yet.
  known.Keep({7, 100}, u"C:\\longer\\b.exe");
  const KnownProcess* found = known.Find({7, 100});
  EXPECT_EQ(found->Path, u"C:\\longer\\b.exe");
  EXPECT_EQ(found->RulesVersion, 0u);
  EXPECT_TRUE(found->Rules.empty());
  EXPECT_EQ(known.size(), 1u);
}

}  // namespace
}  // namespace tarrowin
