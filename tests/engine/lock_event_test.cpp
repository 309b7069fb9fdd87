#include <gtest/gtest.h>

#include <thread>

#include "engine/critical_section.h"
#include "engine/event.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

// TryLock on another thread: 1 if it got the lock (released again at once).
int TryLockElsewhere(ILock& lock) {
  int result = -1;
  std::thread other([&] {
    result = lock.TryLock();
    if (result == 1) lock.Unlock();
  });
  other.join();
  return result;
}

TEST(CCriticalSectionTest, RecursiveHoldsNeedAsManyUnlocks) {
  CCriticalSection lock;
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 0);
  EXPECT_EQ(lock.Lock(), 1);
  EXPECT_EQ(lock.Lock(), 1);
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 1);
  EXPECT_EQ(TryLockElsewhere(lock), 0);
  EXPECT_EQ(lock.Unlock(), 1);
  // Still held by the outer Lock.
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 1);
  EXPECT_EQ(TryLockElsewhere(lock), 0);
  EXPECT_EQ(lock.Unlock(), 1);
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 0);
  EXPECT_EQ(lock.Unlock(), 0);
  EXPECT_EQ(TryLockElsewhere(lock), 1);
}

TEST(CCriticalSectionTest, TryLockByTheOwnerNests) {
  CCriticalSection lock;
  EXPECT_EQ(lock.TryLock(), 1);
  EXPECT_EQ(lock.TryLock(), 1);
  EXPECT_EQ(lock.Unlock(), 1);
  EXPECT_EQ(lock.Unlock(), 1);
  EXPECT_EQ(lock.Unlock(), 0);
}

TEST(CCriticalSectionTest, UnlockByAThreadWithoutHoldFails) {
  CCriticalSection lock;
  CLockGuard guard(lock);
  int result = -1;
  std::thread other([&] { result = lock.Unlock(); });
  other.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 1);
}

TEST(CCriticalSectionTest, GuardHoldsForItsScope) {
  CCriticalSection lock;
  {
    CLockGuard guard(lock);
    EXPECT_EQ(lock.IsLockedByCurrentThread(), 1);
    EXPECT_EQ(TryLockElsewhere(lock), 0);
  }
  EXPECT_EQ(lock.IsLockedByCurrentThread(), 0);
  EXPECT_EQ(TryLockElsewhere(lock), 1);
}

TEST(CCriticalSectionTest, DestroyingReleasesTheDestroyingThreadsHolds) {
  auto lock = std::make_unique<CCriticalSection>();
  lock->Lock();
  lock->Lock();
  lock.reset();  // must not leave the platform lock held or abort
}

TEST(CEventTest, ManualResetStaysSignalledUntilReset) {
  CEvent event(true);
  EXPECT_EQ(event.Wait(0), 0);
  EXPECT_EQ(event.Set(), 1);
  EXPECT_EQ(event.Wait(0), 1);
  EXPECT_EQ(event.Wait(0), 1);
  EXPECT_EQ(event.IsSet(), 1);
  EXPECT_EQ(event.Reset(), 1);
  EXPECT_EQ(event.Wait(0), 0);
  EXPECT_EQ(event.IsSet(), 0);
}

TEST(CEventTest, AutoResetReleasesOneWaitButKeepsItsFlag) {
  CEvent event(false);
  event.Set();
  EXPECT_EQ(event.Wait(0), 1);
  EXPECT_EQ(event.Wait(0), 0);
  EXPECT_EQ(event.IsSet(), 1);  // a wait does not touch the flag
}

TEST(CEventTest, WaitTimesOut) {
  CEvent event(true);
  EXPECT_EQ(event.Wait(20), 0);
}

TEST(CEventTest, SetOnAnotherThreadEndsAnUnlimitedWait) {
  CEvent event(false);
  std::thread setter([&] { event.Set(); });
  EXPECT_EQ(event.Wait(os::kInfinite), 1);
  setter.join();
}

TEST(CEventTest, TakeSignalReturnsAndClearsThePendingSet) {
  CEvent event(true);
  EXPECT_EQ(event.TakeSignal(), 0);
  event.Set();
  EXPECT_EQ(event.TakeSignal(), 1);
  EXPECT_EQ(event.TakeSignal(), 0);
  EXPECT_EQ(event.Wait(0), 0);
}

TEST(CEventTest, GetHandleIsThePlatformEvent) {
  CEvent a(true), b(true);
  EXPECT_NE(a.GetHandle(), nullptr);
  EXPECT_NE(a.GetHandle(), b.GetHandle());
}

}  // namespace
}  // namespace tarrowin
