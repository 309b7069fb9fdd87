#include "engine/thread.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

using testing::Flag;

// A thread whose body each test writes.
class ScriptedThread : public CThread {
 public:
  explicit ScriptedThread(std::function<std::int32_t(ScriptedThread&)> body)
      : body_(std::move(body)) {}
  ~ScriptedThread() override { Stop(); }
  std::int32_t ThreadProc() override { return body_(*this); }

 private:
  std::function<std::int32_t(ScriptedThread&)> body_;
};

std::int32_t WaitUntilStopped(ScriptedThread& self) {
  while (self.IsRunning()) self.WaitPeriod(-1);
  return 0;
}

TEST(CThreadTest, StopWithoutThreadReturnsOne) {
  CThread thread;
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(thread.GetHandle(), nullptr);
  EXPECT_EQ(thread.GetThreadId(), 0u);
  EXPECT_EQ(thread.IsRunning(), 1);
}

TEST(CThreadTest, StartReturnsWithTheThreadRunningAndStopJoinsIt) {
  Flag ended;
  ScriptedThread thread([&](ScriptedThread& self) {
    WaitUntilStopped(self);
    ended.Raise();
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_NE(thread.GetHandle(), nullptr);
  EXPECT_NE(thread.GetThreadId(), 0u);
  EXPECT_NE(thread.GetThreadId(), os::CurrentThreadId());
  EXPECT_FALSE(ended.IsRaised());
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_TRUE(ended.IsRaised());  // joined, not merely asked
  EXPECT_EQ(thread.GetHandle(), nullptr);
  EXPECT_EQ(thread.GetThreadId(), 0u);
  EXPECT_EQ(thread.Stop(), 1);
}

TEST(CThreadTest, SecondStartStopsAndJoinsTheFirstThread) {
  std::mutex mutex;
  std::vector<std::string> events;
  auto note = [&](const char* what) {
    std::lock_guard lock(mutex);
    events.push_back(what);
  };
  ScriptedThread thread([&](ScriptedThread& self) {
    note("begin");
    WaitUntilStopped(self);
    note("end");
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.IsRunning(), 1);  // the new start cleared the stop request
  ASSERT_TRUE(testing::PollUntil([&] {
    std::lock_guard lock(mutex);
    return events.size() == 3;
  }));
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(events, (std::vector<std::string>{"begin", "end", "begin", "end"}));
}

TEST(CThreadTest, StopEndsAWaitWithoutTimeLimit) {
  int result = -1;
  ScriptedThread thread([&](ScriptedThread& self) {
    result = self.WaitPeriod(-1);
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(result, 0);
}

TEST(CThreadTest, WakeWhileBusyEndsOnlyTheNextWait) {
  Flag busy, go, done;
  int first = -1, second = -1;
  ScriptedThread thread([&](ScriptedThread& self) {
    busy.Raise();
    go.Wait();
    first = self.WaitPeriod(-1);   // the wake-up that came while busy ends it
    second = self.WaitPeriod(20);  // nothing pending any more: runs out
    done.Raise();
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  ASSERT_TRUE(busy.Wait());
  thread.Wake();
  go.Raise();
  ASSERT_TRUE(done.Wait());
  thread.Stop();
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

TEST(CThreadTest, WaitPeriodOnAnotherThreadReturnsZeroAtOnce) {
  ScriptedThread thread(WaitUntilStopped);
  EXPECT_EQ(thread.WaitPeriod(-1), 0);
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.WaitPeriod(-1), 0);
}

TEST(CThreadTest, StopRequestEndsEveryLaterWait) {
  Flag done;
  int results[2] = {-1, -1};
  int running = -1;
  ScriptedThread thread([&](ScriptedThread& self) {
    while (self.IsRunning()) self.WaitPeriod(-1);
    results[0] = self.WaitPeriod(-1);
    results[1] = self.WaitPeriod(-1);
    running = self.IsRunning();
    done.Raise();
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.RequestStop(), 1);
  ASSERT_TRUE(done.Wait());
  EXPECT_EQ(results[0], 0);
  EXPECT_EQ(results[1], 0);
  EXPECT_EQ(running, 0);
  EXPECT_EQ(thread.Stop(), 1);
}

TEST(CThreadTest, StopOnTheWorkerItselfReturnsZeroAndLeavesTheStopRequested) {
  Flag done;
  int result = -1;
  ScriptedThread thread([&](ScriptedThread& self) {
    result = self.Stop();
    done.Raise();
    return 0;
  });
  ASSERT_EQ(thread.Start(), 1);
  ASSERT_TRUE(done.Wait());
  EXPECT_EQ(result, 0);
  EXPECT_EQ(thread.IsRunning(), 0);
  EXPECT_EQ(thread.Stop(), 1);
}

TEST(CThreadTest, RestartsAfterStop) {
  int runs = 0;
  ScriptedThread thread([&](ScriptedThread& self) {
    ++runs;
    return WaitUntilStopped(self);
  });
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.IsRunning(), 1);
    EXPECT_EQ(thread.Stop(), 1);
  }
  EXPECT_EQ(runs, 3);
}

std::int32_t RecordUser(void* user) {
  *static_cast<int*>(user) += 1;
  return 7;
}

TEST(CThreadTest, RegisteredCallbacksRunInsteadOfThreadProc) {
  using Setter = void (IThreadProcCall::*)(IThreadProcCall::ThreadFunction, void*);
  for (Setter setter : {&IThreadProcCall::SetThreadProc, &IThreadProcCall::SetThreadProcC}) {
    bool thread_proc_ran = false;
    int calls = 0;
    ScriptedThread thread([&](ScriptedThread&) {
      thread_proc_ran = true;
      return 0;
    });
    (thread.*setter)(RecordUser, &calls);
    ASSERT_EQ(thread.Start(), 1);
    EXPECT_EQ(thread.Stop(), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(thread_proc_ran);
  }
}

TEST(CThreadTest, RunReturnsTheBodysExitCode) {
  int calls = 0;
  CThread with_callback;
  with_callback.SetThreadProc(RecordUser, &calls);
  EXPECT_EQ(with_callback.Run(), 7);
  ScriptedThread without([](ScriptedThread&) { return 42; });
  EXPECT_EQ(without.Run(), 42);
}

TEST(CThreadTest, PriorityIsCutToTheRangeAndStored) {
  CThread thread;
  const std::pair<int, int> cases[] = {{100, 15},  {16, 15},   {15, 15},    {3, 3},
                                       {-15, -15}, {-20, -15}, {-1000, -15}};
  for (const auto& [given, stored] : cases) {
    EXPECT_EQ(thread.SetPriority(given), 1);
    EXPECT_EQ(thread.Priority(), stored) << given;
  }
}

TEST(CThreadTest, SuspendAndResumeWithoutThreadFail) {
  CThread thread;
  EXPECT_EQ(thread.Suspend(), 0);
  EXPECT_EQ(thread.Resume(), 0);
}

}  // namespace
}  // namespace tarrowin
