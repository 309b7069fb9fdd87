// The engine's worker on the scripted process source: when passes run, how
// the check period and wake-ups steer them, and rule changes racing passes.
#include "engine/cpu_limit_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "engine/affinity_rules.h"
#include "tests/engine/fake_process_source.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

using testing::FakeProcessSource;
using testing::Flag;
using testing::PollUntil;

// Long enough that no test sees it run out: a pass that follows can only
// come from a wake-up.
constexpr std::int32_t kHourPeriod = 3600 * 1000;

class CCPULimitThreadTest : public ::testing::Test {
 protected:
  CCPULimitThreadTest() {
    auto source = std::make_unique<FakeProcessSource>();
    source_ = source.get();
    source_->processes = {{.id = 1, .path = u"C:\\x.exe", .mask = 0xFF},
                          {.id = 2, .path = u"C:\\y.exe", .mask = 0xFF}};
    engine_ = std::make_unique<CCPULimitThread>(std::move(source), 1);
  }

  int Ended() const { return source_->passes_ended.load(); }

  // Declared before the engine, so that they outlive its worker.
  Flag in_pass_, release_;
  std::atomic<int> snapshots_{0};
  FakeProcessSource* source_;
  std::unique_ptr<CCPULimitThread> engine_;
};

TEST_F(CCPULimitThreadTest, NewEngineIsStoppedWithoutThreadOrRules) {
  EXPECT_EQ(engine_->CheckPeriod.load(), CCPULimitThread::kStopPeriod);
  EXPECT_EQ(engine_->GetHandle(), nullptr);
  engine_->EnforcePass();
  EXPECT_TRUE(source_->affinity_opens.empty());
}

TEST_F(CCPULimitThreadTest, DestroyingAnIdleEngineEndsItWithoutAPass) {
  source_->on_snapshot = [this] { snapshots_.fetch_add(1); };
  ASSERT_EQ(engine_->Start(), 1);
  engine_.reset();
  EXPECT_EQ(snapshots_.load(), 0);
}

TEST_F(CCPULimitThreadTest, ChoosingACycleRunsAPassAtOnce) {
  ASSERT_EQ(engine_->Start(), 1);
  engine_->SetCheckPeriod(kHourPeriod);
  EXPECT_TRUE(PollUntil([&] { return Ended() == 1; }));
}

TEST_F(CCPULimitThreadTest, CheckPeriodWakesOnlyForANewCycle) {
  // Without a thread, TakeWake shows whether the worker was woken.
  struct Step {
    std::int32_t period;
    int changed, woken;
  };
  const Step steps[] = {
      {CCPULimitThread::kNormalPeriod, 1, 1}, {CCPULimitThread::kNormalPeriod, 0, 0},
      {CCPULimitThread::kLongPeriod, 1, 1},   {CCPULimitThread::kStopPeriod, 1, 0},
      {CCPULimitThread::kStopPeriod, 0, 0},   {CCPULimitThread::kLongPeriod, 1, 1},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(engine_->SetCheckPeriod(step.period), step.changed) << step.period;
    EXPECT_EQ(engine_->CheckPeriod.load(), step.period);
    EXPECT_EQ(engine_->TakeWake(), step.woken) << step.period;
  }
}

TEST_F(CCPULimitThreadTest, WakeDuringAPassRunsAnotherPass) {
  source_->on_snapshot = [this] {
    if (source_->passes_started.load() == 1) {
      in_pass_.Raise();
      release_.Wait();
    }
  };
  ASSERT_EQ(engine_->Start(), 1);
  engine_->Wake();  // stop mode: only wake-ups run passes
  ASSERT_TRUE(in_pass_.Wait());
  engine_->Wake();
  release_.Raise();
  EXPECT_TRUE(PollUntil([&] { return Ended() == 2; }));
}

TEST_F(CCPULimitThreadTest, RulesReplacedDuringAPassApplyFromTheNextPass) {
  source_->on_read_path = [this] {
    if (source_->passes_started.load() == 1 && !in_pass_.IsRaised()) {
      in_pass_.Raise();
      release_.Wait();
    }
  };
  engine_->SetRules(std::vector<LimitRule>{{u"x.exe", 1, 0x1}});
  ASSERT_EQ(engine_->Start(), 1);
  engine_->Wake();
  ASSERT_TRUE(in_pass_.Wait());
  std::thread replace([&] { engine_->SetRules(std::vector<LimitRule>{{u"y.exe", 1, 0x2}}); });
  release_.Raise();
  replace.join();
  ASSERT_TRUE(PollUntil([&] { return Ended() == 1; }));
  engine_->Wake();
  ASSERT_TRUE(PollUntil([&] { return Ended() == 2; }));
  engine_->Stop();
  EXPECT_EQ(source_->changes, (std::vector<testing::MaskChange>{{1, 0x1}, {2, 0x2}}));
}

// Run under ThreadSanitizer too: the user interface replaces the rules
// while the worker runs pass after pass. Each pass must see one whole list.
TEST_F(CCPULimitThreadTest, SetRulesRacingPassesSeeWholeLists) {
  source_->on_snapshot = [this] {
    for (testing::FakeProcess& p : source_->processes) p.mask = 0xFF;
  };
  const std::vector<LimitRule> three = {{u"x.exe", 3, 0}, {u"y.exe", 3, 0}};
  const std::vector<LimitRule> two = {{u"x.exe", 2, 0}, {u"y.exe", 2, 0}};
  engine_->CheckPeriod.store(0);  // pass after pass
  ASSERT_EQ(engine_->Start(), 1);
  engine_->Wake();
  for (int i = 0; i < 40; ++i) {
    engine_->SetRules(i % 2 == 0 ? three : two);
    // Two more ends: at least one pass ran wholly after this list was set.
    const int seen = Ended();
    ASSERT_TRUE(PollUntil([&] { return Ended() >= seen + 2; }));
  }
  engine_->Stop();
  const auto& changes = source_->changes;
  ASSERT_EQ(changes.size() % 2, 0u);
  int passes_with[4] = {};
  for (std::size_t i = 0; i < changes.size(); i += 2) {
    EXPECT_EQ(changes[i].id, 1u);
    EXPECT_EQ(changes[i + 1].id, 2u);
    const int bits = CountBits(changes[i].mask);
    EXPECT_EQ(CountBits(changes[i + 1].mask), bits) << "a pass mixed two rule lists";
    if (bits < 4) ++passes_with[bits];
  }
  EXPECT_GE(passes_with[3], 20);
  EXPECT_GE(passes_with[2], 20);
  EXPECT_EQ(source_->misuse, 0);
}

}  // namespace
}  // namespace tarrowin
