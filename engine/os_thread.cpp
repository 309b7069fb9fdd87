// Ownership of a thread, the same on every system: a move leaves the source
// empty, and letting go of a thread that was never launched ends it without
// its body. The platform twins start, wait for and let go of the thread.
#include "engine/os_thread.h"

#include <utility>

namespace tarrowin::os {

Thread::Thread() = default;

Thread::~Thread() { Abandon(); }

Thread::Thread(Thread&& other) noexcept
    : native_(std::move(other.native_)), launched_(std::exchange(other.launched_, false)) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Abandon();
    native_ = std::move(other.native_);
    launched_ = std::exchange(other.launched_, false);
  }
  return *this;
}

void Thread::Abandon() {
  if (native_) LetGo(*native_, launched_);
  native_.reset();
  launched_ = false;
}

void Thread::Launch() {
  if (!native_ || launched_) return;
  launched_ = true;
  Start(*native_);
}

bool Thread::Exists() const { return native_ != nullptr; }

void Thread::Join() {
  if (!native_) return;
  Wait(*native_);
  native_.reset();
  launched_ = false;
}

}  // namespace tarrowin::os
