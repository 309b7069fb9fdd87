// Thread behaviour that needs Win32: suspension and thread priorities.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/thread.h"
#include "tests/engine/idle_thread.h"

namespace tarrowin {
namespace {

using testing::IdleThread;

DWORD SuspendCount(HANDLE thread) {
  // SuspendThread reports the count before its own increment.
  const DWORD count = SuspendThread(thread);
  ResumeThread(thread);
  return count;
}

TEST(CThreadWin32Test, SuspendAndResumeAlternate) {
  IdleThread thread;
  ASSERT_EQ(thread.Start(), 1);
  const HANDLE handle = static_cast<HANDLE>(thread.GetHandle());
  EXPECT_EQ(thread.Resume(), 0);
  EXPECT_EQ(thread.Suspend(), 1);
  EXPECT_EQ(thread.Suspend(), 0);
  EXPECT_EQ(SuspendCount(handle), 1u);
  EXPECT_EQ(thread.Resume(), 1);
  EXPECT_EQ(thread.Resume(), 0);
  EXPECT_EQ(SuspendCount(handle), 0u);
}

TEST(CThreadWin32Test, StopResumesASuspendedThreadAndJoinsIt) {
  IdleThread thread;
  ASSERT_EQ(thread.Start(), 1);
  ASSERT_EQ(thread.Suspend(), 1);
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(thread.GetHandle(), nullptr);
}

TEST(CThreadWin32Test, PriorityStoredBeforeStartIsApplied) {
  IdleThread thread;
  thread.SetPriority(100);
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(GetThreadPriority(static_cast<HANDLE>(thread.GetHandle())),
            THREAD_PRIORITY_TIME_CRITICAL);
  thread.SetPriority(-1);
  EXPECT_EQ(GetThreadPriority(static_cast<HANDLE>(thread.GetHandle())),
            THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace
}  // namespace tarrowin
