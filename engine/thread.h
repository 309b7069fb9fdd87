// The worker-thread framework: a thread object whose Start returns once the
// new thread runs, whose Stop wakes and joins it, and whose worker waits
// with WaitPeriod, which ends on time-out, Wake or stop. CCPULimitThread is
// built on CThread.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/critical_section.h"
#include "engine/event.h"
#include "engine/os_thread.h"

namespace tarrowin {

// Operations return 1 for success and 0 for failure or when the object is
// not in a state that allows them, unless said otherwise.
class IThreadBase {
 public:
  virtual ~IThreadBase() = default;
  virtual int Start() = 0;
  virtual int Stop() = 0;
  virtual int IsRunning() = 0;
  virtual int RequestStop() = 0;
  virtual int SetPriority(int priority) = 0;
  virtual int Suspend() = 0;
  virtual int Resume() = 0;
  virtual int WaitPeriod(std::int32_t ms) = 0;
  virtual int Wake() = 0;
  virtual int TakeWake() = 0;
  virtual std::int32_t Run() = 0;
};

// The body that a thread runs: its own ThreadProc, or a registered callback.
class IThreadProcCall {
 public:
  using ThreadFunction = std::int32_t (*)(void* user);

  virtual ~IThreadProcCall() = default;
  // The Win32 build distinguishes the two calling conventions of its
  // callbacks (mode 3: WINAPI, mode 2: C); here both take one function type.
  virtual void SetThreadProc(ThreadFunction function, void* user) {
    Register(function, user, kModeApi);
  }
  virtual void SetThreadProcC(ThreadFunction function, void* user) {
    Register(function, user, kModeC);
  }
  virtual std::int32_t ThreadProc() = 0;

 protected:
  static constexpr std::int32_t kModeThreadProc = 0;
  static constexpr std::int32_t kModeC = 2;
  static constexpr std::int32_t kModeApi = 3;  // 1 is read as 3

  // Set before Start, read by the new thread after it: Start orders them.
  ThreadFunction function_ = nullptr;
  void* user_ = nullptr;
  std::int32_t mode_ = kModeThreadProc;

 private:
  void Register(ThreadFunction function, void* user, std::int32_t mode) {
    function_ = function;
    user_ = user;
    mode_ = mode;
  }
};

class IThread : public IThreadBase, public IThreadProcCall {
 public:
  virtual void* GetHandle() = 0;
  virtual std::uint32_t GetThreadId() = 0;
};

// A worker thread. A derived class overrides ThreadProc (or registers a
// callback), and must call Stop in its own destructor so that the worker
// has ended before the derived members go away.
class CThread : public IThread {
 public:
  static constexpr int kMinPriority = -15;
  static constexpr int kMaxPriority = 15;

  CThread() = default;
  // Stops and joins the worker.
  ~CThread() override;
  CThread(const CThread&) = delete;
  CThread& operator=(const CThread&) = delete;

  // Stops a thread of an earlier Start, then starts a new one and returns
  // when it runs. 0 when the thread cannot be created.
  int Start() override;
  // Requests the stop and waits for the worker to end: 1 when there is no
  // thread (any more); 0 when called by the worker itself, which cannot
  // wait for its own end (the stop stays requested).
  int Stop() override;
  // 1 until a stop is requested.
  int IsRunning() override;
  // Sets the stop request (ending the worker's waits) and resumes a
  // suspended worker; does not wait.
  int RequestStop() override;
  // Cuts `priority` to -15 ... 15, stores it and applies it to the thread
  // if there is one; a later Start applies it to the new thread.
  int SetPriority(int priority) override;
  // 0 without a thread, when already suspended, and on platforms that cannot
  // suspend another thread (Linux).
  int Suspend() override;
  int Resume() override;
  // For the worker only: waits `ms` milliseconds (-1 = no limit) or until
  // Wake or a stop request. 1 when the time ran out; 0 when a wake-up or the
  // stop ended it, or when called by another thread. A Wake that came while
  // the worker was busy ends the next wait at once.
  int WaitPeriod(std::int32_t ms) override;
  // Ends the worker's current or next wait. Safe from any thread.
  int Wake() override;
  // Clears a pending wake-up; returns 1 if there was one.
  int TakeWake() override;
  // The new thread's body: signals the start, then runs the callback or
  // ThreadProc and returns its exit code (-1 for an unknown call mode).
  std::int32_t Run() override;
  std::int32_t ThreadProc() override { return 0; }
  void* GetHandle() override;
  std::uint32_t GetThreadId() override;

  int Priority() const { return priority_.load(); }

 private:
  bool IsWorker() const;

  // Guards thread_ and the suspended flag in Start, Stop, Suspend, Resume.
  CCriticalSection thread_lock_;
  os::Thread thread_;
  std::atomic<void*> handle_{nullptr};       // thread_'s handle, readable lock-free
  std::atomic<std::uint32_t> thread_id_{0};  // set by the worker before StartedEvent
  std::atomic<std::int32_t> suspended_{0};
  std::atomic<std::int32_t> priority_{0};
  CEvent StartedEvent{false};
  CEvent WakeEvent{true};
  CEvent StopEvent{true};
};

}  // namespace tarrowin
