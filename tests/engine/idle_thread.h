// A worker that only waits until it is stopped, for the tests of what the
// thread seam does to a running thread.
#pragma once

#include <cstdint>

#include "engine/thread.h"

namespace tarrowin::testing {

class IdleThread : public CThread {
 public:
  ~IdleThread() override { Stop(); }
  std::int32_t ThreadProc() override {
    while (IsRunning()) WaitPeriod(-1);
    return 0;
  }
};

}  // namespace tarrowin::testing
