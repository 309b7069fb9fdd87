// Event with a set/reset flag over the platform event.
#include "engine/event.h"

namespace tarrowin {

CEvent::CEvent(bool manual_reset) : event_(manual_reset) {}

CEvent::~CEvent() {
  if (signalled_.load() != 0) event_.Reset();
}

int CEvent::Set() {
  signalled_.store(1);
  event_.Set();
  return 1;
}

int CEvent::Reset() {
  event_.Reset();
  signalled_.store(0);
  return 1;
}

int CEvent::Wait(std::uint32_t ms) {
  os::Event* self = &event_;
  return os::WaitAny(&self, 1, ms) == 0 ? 1 : 0;
}

int CEvent::IsSet() const { return signalled_.load(); }

void* CEvent::GetHandle() const { return event_.Handle(); }

int CEvent::TakeSignal() {
  // Set stores the flag before it signals; resetting first and reading the
  // flag after means a concurrent Set either shows in the flag or leaves
  // the event signalled.
  event_.Reset();
  return signalled_.exchange(0);
}

}  // namespace tarrowin
