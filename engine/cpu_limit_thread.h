// The limit engine: a worker thread that, every CheckPeriod milliseconds,
// scans the running processes and narrows the processor affinity of those
// that its rules name. The user interface owns it and talks to it only
// through the members below; the engine never reports back to it. Other
// callers (the command-line tool) may ask to hear of every mask a pass
// changes.
//
// Use from the user-interface thread:
//   CCPULimitThread engine;      // no thread yet; stop mode, no rules
//   engine.Start();              // the worker waits without a time limit
//   engine.SetRules(master);     // after every change of the master list
//   engine.SetCheckPeriod(CCPULimitThread::kNormalPeriod);  // or kLongPeriod,
//                                                           // kStopPeriod
//   ...                          // destruction stops and joins the worker
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engine/critical_section.h"
#include "engine/limit_rule.h"
#include "engine/mersenne_twister.h"
#include "engine/process_source.h"
#include "engine/thread.h"

namespace tarrowin {

// One affinity mask that a pass changed.
struct AffinityChange {
  ProcessId Process = 0;
  std::u16string_view Path;  // the path the rule matched; valid during the call
  std::uint32_t OldMask = 0;
  std::uint32_t NewMask = 0;
};

// Told of each change on the thread that runs the pass, while the rules
// are locked: it must not call back into the engine.
using AffinityChangeHandler = std::function<void(const AffinityChange&)>;

class CCPULimitThread : public CThread {
 public:
  // The check periods of the three cycles, in milliseconds.
  static constexpr std::int32_t kNormalPeriod = 500;
  static constexpr std::int32_t kLongPeriod = 2000;
  static constexpr std::int32_t kStopPeriod = -1;  // wait without a time limit
  // Path buffer of one pass, in UTF-16 units; longer paths are cut.
  static constexpr std::size_t kPathCapacity = 2048;

  // Watches the system's processes, with the generator seeded from the
  // tick count. Does not start the thread.
  CCPULimitThread();
  // Watches `source` with the generator seeded with `seed`: for tests and
  // benchmarks.
  CCPULimitThread(std::unique_ptr<IProcessSource> source, std::uint32_t seed);
  // Stops the worker (a pass in progress is finished first) and joins it.
  ~CCPULimitThread() override;

  // Replaces the engine's rules with a copy of `rules`, in their order. Waits
  // while a pass runs; the next pass uses the new list. Does not wake the
  // worker.
  void SetRules(std::span<const LimitRule> rules);

  // Every later pass tells `handler` of each mask it sets successfully, in
  // the order it sets them; an empty handler ends the reports. Waits while
  // a pass runs.
  void SetChangeHandler(AffinityChangeHandler handler);

  // What the check-cycle menu does: stores `period` unless it is already
  // the current one, and wakes the worker for any period but kStopPeriod,
  // so that a pass runs at once. Returns 1 if the period changed.
  int SetCheckPeriod(std::int32_t period);

  // Milliseconds between two passes, -1 for no limit; read by the worker
  // before each wait. Written by the user interface alone (directly, or
  // through SetCheckPeriod); a new value takes effect from the next wait
  // unless the worker is woken.
  std::atomic<std::int32_t> CheckPeriod{kStopPeriod};

  // One scan-and-narrow pass over all processes, on the calling thread.
  // The worker runs it; tests and benchmarks call it directly.
  void EnforcePass();

  // The worker's body: wait, then pass and wait until the stop request.
  std::int32_t ThreadProc() override;

 private:
  void ApplyRules(ProcessId id, const char16_t* path);

  std::unique_ptr<IProcessSource> source_;
  std::vector<LimitRule> rules_;          // guarded by RulesLock
  AffinityChangeHandler change_handler_;  // guarded by RulesLock
  CCriticalSection RulesLock;
  CMersenneTwister generator_;  // used by the worker alone
};

}  // namespace tarrowin
