// Win32 side of the thread seam: _beginthreadex, critical sections, events
// and WaitForMultipleObjects.
#include <process.h>
#include <windows.h>

#include "engine/os_thread.h"
#include "engine/thread.h"
#include "engine/win32_handle.h"

namespace tarrowin::os {

std::uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

std::uint32_t TickCount() { return GetTickCount(); }

struct RecursiveMutex::Native {
  CRITICAL_SECTION section;
};

RecursiveMutex::RecursiveMutex() : native_(new Native) {
  InitializeCriticalSection(&native_->section);
}

RecursiveMutex::~RecursiveMutex() { DeleteCriticalSection(&native_->section); }

void RecursiveMutex::Lock() { EnterCriticalSection(&native_->section); }

bool RecursiveMutex::TryLock() { return TryEnterCriticalSection(&native_->section) != 0; }

void RecursiveMutex::Unlock() { LeaveCriticalSection(&native_->section); }

struct Event::Native {
  UniqueHandle handle;
};

Event::Event(bool manual_reset) : native_(new Native) {
  native_->handle.reset(CreateEventW(nullptr, manual_reset ? TRUE : FALSE, FALSE, nullptr));
}

Event::~Event() = default;

void Event::Set() {
  if (native_->handle) SetEvent(native_->handle.get());
}

void Event::Reset() {
  if (native_->handle) ResetEvent(native_->handle.get());
}

void* Event::Handle() const { return native_->handle.get(); }

int WaitAny(Event* const* events, int count, std::uint32_t ms) {
  if (count < 1 || count > MAXIMUM_WAIT_OBJECTS) return -1;
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  for (int i = 0; i < count; ++i) {
    handles[i] = events[i]->native_->handle.get();
    if (handles[i] == nullptr) return -1;
  }
  const DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, ms);
  if (result < WAIT_OBJECT_0 + static_cast<DWORD>(count)) {
    return static_cast<int>(result - WAIT_OBJECT_0);
  }
  return -1;
}

namespace {

unsigned __stdcall ThreadStart(void* object) {
  return static_cast<unsigned>(static_cast<IThreadBase*>(object)->Run());
}

}  // namespace

// Closing the handle lets a running thread go on alone.
struct Thread::Native {
  UniqueHandle handle;
};

void Thread::NativeDeleter::operator()(Native* native) const { delete native; }

bool Thread::Create(IThreadBase* object) {
  std::unique_ptr<Native, NativeDeleter> native(new Native);
  unsigned id = 0;
  const std::uintptr_t handle =
      _beginthreadex(nullptr, 0, ThreadStart, object, CREATE_SUSPENDED, &id);
  if (handle == 0) return false;
  native->handle.reset(reinterpret_cast<HANDLE>(handle));
  native_ = std::move(native);
  launched_ = false;
  return true;
}

void Thread::Start(Native& native) { ResumeThread(native.handle.get()); }

void Thread::Wait(Native& native) { WaitForSingleObject(native.handle.get(), INFINITE); }

// A thread that never ran is ended, not left suspended for good.
void Thread::LetGo(Native& native, bool launched) {
  if (!launched) TerminateThread(native.handle.get(), 0);
}

bool Thread::Suspend() {
  return native_ && SuspendThread(native_->handle.get()) != static_cast<DWORD>(-1);
}

bool Thread::Resume() {
  return native_ && ResumeThread(native_->handle.get()) != static_cast<DWORD>(-1);
}

void* Thread::Handle() const { return native_ ? native_->handle.get() : nullptr; }

void SetThreadPriority(void* thread_handle, int priority) {
  if (thread_handle != nullptr) ::SetThreadPriority(thread_handle, priority);
}

}  // namespace tarrowin::os
