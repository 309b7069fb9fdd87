// The recursive lock of the thread framework (ILock, CCriticalSection) and
// its scoped holder CLockGuard, through which every lock of the program is
// taken. The worker and the window framework share their state through it.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/os_thread.h"

namespace tarrowin {

class ILock {
 public:
  virtual ~ILock() = default;
  virtual int Lock() = 0;
  virtual int Unlock() = 0;
  virtual int TryLock() = 0;
  virtual int IsLockedByCurrentThread() const = 0;
};

// A recursive critical section that records its owner. All operations
// return 1 for success, 0 for failure.
class CCriticalSection final : public ILock {
 public:
  CCriticalSection() = default;
  // Releases the holds that the destroying thread still has.
  ~CCriticalSection() override;
  CCriticalSection(const CCriticalSection&) = delete;
  CCriticalSection& operator=(const CCriticalSection&) = delete;

  // Blocks until the calling thread holds the lock; the owner may lock
  // again, and each Lock needs its Unlock.
  int Lock() override;
  // 0 when the calling thread holds no lock here.
  int Unlock() override;
  // Takes the lock only if that needs no waiting; 0 when another thread
  // holds it.
  int TryLock() override;
  int IsLockedByCurrentThread() const override;

 private:
  os::RecursiveMutex mutex_;
  // 0 = nobody. Read by any thread; written only by the holder.
  std::atomic<std::uint32_t> owner_{0};
  // How often the owner has locked; touched only by the owner.
  std::int32_t hold_count_ = 0;
};

// Holds `lock` from construction to destruction.
class CLockGuard {
 public:
  explicit CLockGuard(ILock& lock) : lock_(&lock) { lock_->Lock(); }
  ~CLockGuard() { lock_->Unlock(); }
  CLockGuard(const CLockGuard&) = delete;
  CLockGuard& operator=(const CLockGuard&) = delete;

 private:
  ILock* lock_;
};

}  // namespace tarrowin
