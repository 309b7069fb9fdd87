// Thread behaviour that differs on Linux: no suspension of another thread.
#include <gtest/gtest.h>

#include "engine/thread.h"
#include "tests/engine/idle_thread.h"

namespace tarrowin {
namespace {

using testing::IdleThread;

TEST(CThreadPosixTest, SuspendIsNotAvailable) {
  IdleThread thread;
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.Suspend(), 0);
  EXPECT_EQ(thread.Resume(), 0);
  EXPECT_EQ(thread.Stop(), 1);
}

}  // namespace
}  // namespace tarrowin
