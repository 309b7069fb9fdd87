// Worker-thread lifecycle: start, stop and join, waits, wake-up, suspend.
#include "engine/thread.h"

#include <algorithm>
#include <utility>

namespace tarrowin {

CThread::~CThread() { Stop(); }

bool CThread::IsWorker() const {
  const std::uint32_t id = thread_id_.load();
  return id != 0 && id == os::CurrentThreadId();
}

int CThread::Start() {
  Stop();
  StartedEvent.Reset();
  suspended_.store(0);
  WakeEvent.Reset();
  StopEvent.Reset();
  CLockGuard guard(thread_lock_);
  if (!thread_.Create(this)) return 0;
  // Recorded before the body runs, so that the worker finds itself started.
  handle_.store(thread_.Handle());
  os::SetThreadPriority(thread_.Handle(), priority_.load());
  thread_.Launch();
  return StartedEvent.Wait(os::kInfinite);
}

int CThread::Stop() {
  if (handle_.load() == nullptr) return 1;
  RequestStop();
  if (IsWorker()) return 0;
  os::Thread ending;
  {
    CLockGuard guard(thread_lock_);
    ending = std::move(thread_);
    handle_.store(nullptr);
    thread_id_.store(0);
    ending.Join();
  }
  suspended_.store(0);
  return 1;
}

int CThread::IsRunning() { return StopEvent.IsSet() == 0 ? 1 : 0; }

int CThread::RequestStop() {
  StopEvent.Set();
  if (suspended_.load() != 0) Resume();
  return 1;
}

int CThread::SetPriority(int priority) {
  priority = std::clamp(priority, kMinPriority, kMaxPriority);
  priority_.store(priority);
  os::SetThreadPriority(handle_.load(), priority);
  return 1;
}

int CThread::Suspend() {
  CLockGuard guard(thread_lock_);
  if (!thread_.Exists() || suspended_.load() != 0) return 0;
  if (!thread_.Suspend()) return 0;
  suspended_.store(1);
  return 1;
}

int CThread::Resume() {
  CLockGuard guard(thread_lock_);
  if (!thread_.Exists() || suspended_.load() == 0) return 0;
  thread_.Resume();
  suspended_.store(0);
  return 1;
}

int CThread::WaitPeriod(std::int32_t ms) {
  if (!IsWorker()) return 0;
  // Wake first: when both are set the wake-up is reported, as the Win32
  // wait reports the lowest signalled index.
  os::Event* events[] = {&WakeEvent.Native(), &StopEvent.Native()};
  const int ended_by = os::WaitAny(events, 2, static_cast<std::uint32_t>(ms));
  if (TakeWake() != 0 && suspended_.load() != 0) Resume();
  return ended_by < 0 ? 1 : 0;
}

int CThread::Wake() { return WakeEvent.Set(); }

int CThread::TakeWake() { return WakeEvent.TakeSignal(); }

std::int32_t CThread::Run() {
  thread_id_.store(os::CurrentThreadId());
  StartedEvent.Set();
  if (function_ == nullptr) mode_ = kModeThreadProc;
  switch (mode_) {
    case kModeThreadProc:
      return ThreadProc();
    case 1:
    case kModeC:
    case kModeApi:
      return function_(user_);
    default:
      return -1;
  }
}

void* CThread::GetHandle() { return handle_.load(); }

std::uint32_t CThread::GetThreadId() { return thread_id_.load(); }

}  // namespace tarrowin
