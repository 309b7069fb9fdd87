// Waiting helpers for tests with threads: poll a condition, or wait for a
// flag that another thread raises, always with a generous limit so that a
// fault fails the test instead of hanging it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarrowin::testing {

constexpr std::chrono::seconds kPatience{30};

template <typename Condition>
bool PollUntil(Condition condition, std::chrono::milliseconds limit = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Raised once by one thread, awaited by another.
class Flag {
 public:
  void Raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    changed_.notify_all();
  }
  bool Wait(std::chrono::milliseconds limit = kPatience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return raised_; });
  }
  bool IsRaised() {
    std::lock_guard lock(mutex_);
    return raised_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool raised_ = false;
};

}  // namespace tarrowin::testing
