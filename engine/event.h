// Events of the thread framework (IEvent, CEvent): the worker's start
// signal, wake-up and stop request. Each keeps a flag beside the platform
// event that tells whether it was last set or reset; a wait leaves the
// flag alone.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/os_thread.h"

namespace tarrowin {

class IEvent {
 public:
  virtual int Set() = 0;
  virtual int Reset() = 0;
  // 1 when the event was signalled within `ms` milliseconds
  // (0xFFFFFFFF = no limit), else 0.
  virtual int Wait(std::uint32_t ms) = 0;
  virtual int IsSet() const = 0;
  virtual void* GetHandle() const = 0;

 protected:
  ~IEvent() = default;  // events are never deleted through the interface
};

class CEvent final : public IEvent {
 public:
  // An unnamed event, initially not signalled.
  explicit CEvent(bool manual_reset);
  ~CEvent();
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  int Set() override;
  int Reset() override;
  int Wait(std::uint32_t ms) override;
  int IsSet() const override;
  void* GetHandle() const override;

  // Resets the event and returns the flag it cleared. A Set racing with it
  // is either returned here or left pending for the next wait, never lost.
  int TakeSignal();

  os::Event& Native() { return event_; }

 private:
  os::Event event_;
  std::atomic<std::int32_t> signalled_{0};
};

}  // namespace tarrowin
