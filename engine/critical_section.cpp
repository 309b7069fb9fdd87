// Recursive critical section with owner and hold count.
#include "engine/critical_section.h"

namespace tarrowin {

CCriticalSection::~CCriticalSection() {
  // Another thread's holds cannot be released from here; destroying a lock
  // that another thread holds is the caller's error.
  if (owner_.load() != os::CurrentThreadId()) return;
  while (hold_count_ > 0) {
    --hold_count_;
    mutex_.Unlock();
  }
}

int CCriticalSection::Lock() {
  mutex_.Lock();
  ++hold_count_;
  owner_.store(os::CurrentThreadId());
  return 1;
}

int CCriticalSection::Unlock() {
  // Only the holder's own store can make the owner equal its id, so this
  // check needs no lock; it also refuses an Unlock without a hold.
  if (owner_.load() != os::CurrentThreadId()) return 0;
  // The owner stays recorded while outer holds remain.
  if (--hold_count_ == 0) owner_.store(0);
  mutex_.Unlock();
  return 1;
}

int CCriticalSection::TryLock() {
  const std::uint32_t owner = owner_.load();
  if (owner != 0 && owner != os::CurrentThreadId()) return 0;
  if (!mutex_.TryLock()) return 0;
  ++hold_count_;
  owner_.store(os::CurrentThreadId());
  return 1;
}

int CCriticalSection::IsLockedByCurrentThread() const {
  return owner_.load() == os::CurrentThreadId() ? 1 : 0;
}

}  // namespace tarrowin
