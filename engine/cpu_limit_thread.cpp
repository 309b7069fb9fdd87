// The engine's state, its worker loop and the enforcement pass.
#include "engine/cpu_limit_thread.h"

#include "engine/affinity_rules.h"
#include "engine/os_thread.h"
#include "engine/rule_match.h"

namespace tarrowin {
namespace {

// Closes the source's snapshot when a pass leaves early.
class SnapshotScope {
 public:
  explicit SnapshotScope(IProcessSource& source) : source_(&source) {}
  ~SnapshotScope() { Close(); }
  SnapshotScope(const SnapshotScope&) = delete;
  SnapshotScope& operator=(const SnapshotScope&) = delete;
  void Close() {
    if (source_ != nullptr) source_->CloseSnapshot();
    source_ = nullptr;
  }

 private:
  IProcessSource* source_;
};

class AffinityScope {
 public:
  explicit AffinityScope(IProcessSource& source) : source_(source) {}
  ~AffinityScope() { source_.CloseAffinity(); }
  AffinityScope(const AffinityScope&) = delete;
  AffinityScope& operator=(const AffinityScope&) = delete;

 private:
  IProcessSource& source_;
};

}  // namespace

CCPULimitThread::CCPULimitThread() : CCPULimitThread(MakeSystemProcessSource(), os::TickCount()) {}

CCPULimitThread::CCPULimitThread(std::unique_ptr<IProcessSource> source, std::uint32_t seed)
    : source_(std::move(source)) {
  generator_.Seed32(seed);
}

CCPULimitThread::~CCPULimitThread() {
  // The worker uses the members below; it must end before they go.
  Stop();
}

void CCPULimitThread::SetRules(std::span<const LimitRule> rules) {
  // Copied outside the lock so that a pass waits only for the exchange; the
  // old list is freed after the lock is released.
  std::vector<LimitRule> copy(rules.begin(), rules.end());
  CLockGuard guard(RulesLock);
  rules_.swap(copy);
}

void CCPULimitThread::SetChangeHandler(AffinityChangeHandler handler) {
  CLockGuard guard(RulesLock);
  change_handler_.swap(handler);
}

int CCPULimitThread::SetCheckPeriod(std::int32_t period) {
  if (CheckPeriod.load(std::memory_order_relaxed) == period) return 0;
  CheckPeriod.store(period, std::memory_order_relaxed);
  if (period != kStopPeriod) Wake();
  return 1;
}

std::int32_t CCPULimitThread::ThreadProc() {
  // The wake-up event orders the period with the wait that it ends.
  WaitPeriod(CheckPeriod.load(std::memory_order_relaxed));
  while (IsRunning()) {
    EnforcePass();
    WaitPeriod(CheckPeriod.load(std::memory_order_relaxed));
  }
  return 0;
}

void CCPULimitThread::EnforcePass() {
  IProcessSource& source = *source_;
  if (!source.TakeSnapshot()) return;
  SnapshotScope snapshot(source);
  CLockGuard guard(RulesLock);
  char16_t path[kPathCapacity];
  ProcessId id = 0;
  while (source.NextProcess(&id)) {
    if (source.ReadPath(id, path, kPathCapacity) == 0) continue;
    path[kPathCapacity - 1] = 0;  // whatever the source did, the text ends
    ApplyRules(id, path);
  }
  snapshot.Close();  // before the rules are released
}

// Every enabled rule that names the process is applied, in list order; each
// sees the mask that the one before it set.
void CCPULimitThread::ApplyRules(ProcessId id, const char16_t* path) {
  IProcessSource& source = *source_;
  const char16_t* file_name = FileNamePart(path);
  for (const LimitRule& rule : rules_) {
    if (!RuleAppliesTo(rule, path, file_name, source)) continue;
    if (!source.OpenAffinity(id)) continue;
    AffinityScope affinity(source);
    std::uint32_t process_mask = 0;
    std::uint32_t system_mask = 0;
    // Masks that cannot be read give no basis for a decision.
    if (!source.ReadMasks(&process_mask, &system_mask)) continue;
    const auto mask =
        DecideAffinity(rule.CPUCount, rule.CPUMask, process_mask, system_mask, generator_);
    if (mask && source.SetMask(*mask) && change_handler_) {
      change_handler_({id, path, process_mask, *mask});
    }
  }
}

}  // namespace tarrowin
