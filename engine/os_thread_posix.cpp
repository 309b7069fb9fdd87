// POSIX side of the thread seam, on standard C++ primitives. Events share
// one process-wide monitor so that a thread can wait on several at once, as
// WaitForMultipleObjects does; the engine has a handful of events and two
// threads, so the shared lock is never contended in earnest.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <system_error>
#include <thread>

#include "engine/os_thread.h"
#include "engine/thread.h"

namespace tarrowin::os {

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(gettid()); }

std::uint32_t TickCount() {
  const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
}

struct RecursiveMutex::Native {
  std::recursive_mutex mutex;
};

RecursiveMutex::RecursiveMutex() : native_(new Native) {}
RecursiveMutex::~RecursiveMutex() = default;
void RecursiveMutex::Lock() { native_->mutex.lock(); }
bool RecursiveMutex::TryLock() { return native_->mutex.try_lock(); }
void RecursiveMutex::Unlock() { native_->mutex.unlock(); }

namespace {

struct Monitor {
  std::mutex mutex;
  std::condition_variable changed;
};

Monitor& EventMonitor() {
  static Monitor monitor;
  return monitor;
}

}  // namespace

// Guarded by the event monitor's mutex.
struct Event::Native {
  bool manual_reset;
  bool signalled = false;
};

Event::Event(bool manual_reset) : native_(new Native{manual_reset}) {}
Event::~Event() = default;

void Event::Set() {
  Monitor& monitor = EventMonitor();
  {
    std::lock_guard lock(monitor.mutex);
    native_->signalled = true;
  }
  monitor.changed.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(EventMonitor().mutex);
  native_->signalled = false;
}

void* Event::Handle() const { return native_.get(); }

int WaitAny(Event* const* events, int count, std::uint32_t ms) {
  if (count < 1 || count > 64) return -1;
  Monitor& monitor = EventMonitor();
  std::unique_lock lock(monitor.mutex);
  auto take_signalled = [&]() -> int {
    for (int i = 0; i < count; ++i) {
      Event::Native& event = *events[i]->native_;
      if (!event.signalled) continue;
      if (!event.manual_reset) event.signalled = false;
      return i;
    }
    return -1;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (const int index = take_signalled(); index >= 0) return index;
    if (ms == kInfinite) {
      monitor.changed.wait(lock);
    } else if (monitor.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      // An event set just as the time ran out still wins, as on Win32.
      return take_signalled();
    }
  }
}

struct Thread::Native {
  std::thread thread;
  std::promise<bool> go;  // true: run the body; false: end without it
};

void Thread::NativeDeleter::operator()(Native* native) const { delete native; }

bool Thread::Create(IThreadBase* object) {
  try {
    std::unique_ptr<Native, NativeDeleter> native(new Native);
    native->thread = std::thread([object, go = native->go.get_future()]() mutable {
      if (go.get()) object->Run();
    });
    native_ = std::move(native);
    launched_ = false;
    return true;
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void Thread::Start(Native& native) { native.go.set_value(true); }

void Thread::Wait(Native& native) {
  if (native.thread.joinable()) native.thread.join();
}

void Thread::LetGo(Native& native, bool launched) {
  if (!launched) {
    native.go.set_value(false);
    native.thread.join();  // ends at once
  } else if (native.thread.joinable()) {
    native.thread.detach();
  }
}

// Linux has no call that suspends another thread from outside (signals
// would stop it only at the point of their choosing, holding whatever locks
// it holds): Suspend and Resume report failure and change nothing.
bool Thread::Suspend() { return false; }
bool Thread::Resume() { return false; }

void* Thread::Handle() const { return native_.get(); }

// Per-thread priorities under the normal Linux scheduler need privileges to
// raise and map poorly onto the Win32 scale: the caller only stores the
// value.
void SetThreadPriority(void*, int) {}

}  // namespace tarrowin::os
