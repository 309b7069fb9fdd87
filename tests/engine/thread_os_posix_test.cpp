// Thread behaviour that differs on Linux: no suspension of another thread.
#include <gtest/gtest.h>

#include "engine/thread.h"

namespace tarrowin {
namespace {

class IdleThread : public CThread {
 public:
  ~IdleThread() override { Stop(); }
  std::int32_t ThreadProc() override {
    while (IsRunning()) WaitPeriod(-1);
    return 0;
  }
};

TEST(CThreadPosixTest, SuspendIsNotAvailable) {
  IdleThread thread;
  ASSERT_EQ(thread.Start(), 1);
  EXPECT_EQ(thread.Suspend(), 0);
  EXPECT_EQ(thread.Resume(), 0);
  EXPECT_EQ(thread.Stop(), 1);
}

}  // namespace
}  // namespace tarrowin
