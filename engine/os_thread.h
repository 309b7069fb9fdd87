// The operating system's threads, recursive locks, events and tick clock
// behind one narrow seam for the thread framework: os_thread_win32.cpp uses
// the Win32 primitives, os_thread_posix.cpp standard C++ ones that behave
// the same, and os_thread.cpp holds what a thread's ownership is on both.
// Only the framework's own files use this header.
#pragma once

#include <cstdint>
#include <memory>

namespace tarrowin {

class IThreadBase;

namespace os {

// A time-out of this many milliseconds never ends (the platform's INFINITE).
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Id of the calling thread; never 0, which stands for "no thread".
std::uint32_t CurrentThreadId();

// Milliseconds since the system started; wraps around at 2^32.
std::uint32_t TickCount();

// A recursive lock: the owning thread may lock it again.
class RecursiveMutex {
 public:
  RecursiveMutex();
  ~RecursiveMutex();
  RecursiveMutex(const RecursiveMutex&) = delete;
  RecursiveMutex& operator=(const RecursiveMutex&) = delete;

  void Lock();
  bool TryLock();  // never blocks
  void Unlock();   // only by the owner

 private:
  struct Native;
  std::unique_ptr<Native> native_;
};

// An unnamed event, initially not signalled. A manual-reset event stays
// signalled until Reset; an auto-reset one releases a single wait and
// returns to not signalled.
class Event {
 public:
  explicit Event(bool manual_reset);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // The platform handle (Win32: the event HANDLE; POSIX: an opaque address).
  void* Handle() const;

 private:
  friend int WaitAny(Event* const* events, int count, std::uint32_t ms);
  struct Native;
  std::unique_ptr<Native> native_;
};

// Waits until one of `events` (1 to 64) is signalled or `ms` milliseconds
// pass. Returns the index of the first signalled event, -1 when the time ran
// out or the wait failed.
int WaitAny(Event* const* events, int count, std::uint32_t ms);

// Owner of one OS thread, move-only. Destroying an owner whose thread still
// runs lets the thread go on alone (Win32: the handle is closed); one that
// was never launched never runs its body.
class Thread {
 public:
  Thread();  // no thread
  ~Thread();
  Thread(Thread&& other) noexcept;
  Thread& operator=(Thread&& other) noexcept;

  // Creates a thread that will run object->Run() and end with its result
  // as the exit code, held back until Launch so that the owner can record
  // it first. False when the thread cannot be created.
  bool Create(IThreadBase* object);
  void Launch();
  bool Exists() const;
  // Waits for the thread to end and lets go of it.
  void Join();
  // Suspending another thread: false where the platform has no such call.
  bool Suspend();
  bool Resume();
  void* Handle() const;

 private:
  struct Native;
  // Defined beside Native, so that the shared ownership code needs only its
  // name.
  struct NativeDeleter {
    void operator()(Native* native) const;
  };
  // The platform's part of Launch, Join and letting go: lets a created
  // thread run its body; waits for it to end; lets it go on alone when it
  // was launched, or ends it without its body when it was not.
  static void Start(Native& native);
  static void Wait(Native& native);
  static void LetGo(Native& native, bool launched);
  void Abandon();

  std::unique_ptr<Native, NativeDeleter> native_;
  bool launched_ = false;
};

// Applies a priority within -15 ... 15 (Win32's thread priority scale) to
// the thread of a Thread::Handle(). Needs no lock: a worker may call it for
// itself while another thread waits for it to end.
void SetThreadPriority(void* thread_handle, int priority);

}  // namespace os
}  // namespace tarrowin
