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
  ++rules_version_;  // the rules that name each process are found again
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
  known_.BeginPass();
  char16_t buffer[kPathCapacity];
  ProcessId id = 0;
  while (source.NextProcess(&id)) {
    const ProcessIdentity identity{id, source.StartTime()};
    KnownProcess* process = known_.Find(identity);
    if (process == nullptr) {
      // Not kept when it fails: a process that is still starting may have
      // its path by the next pass.
      if (source.ReadPath(id, buffer, kPathCapacity) == 0) continue;
      buffer[kPathCapacity - 1] = 0;  // whatever the source did, the text ends
      process = &known_.Keep(identity, buffer);
    }
    ApplyRules(id, *process);
  }
  known_.EndPass();
  snapshot.Close();  // before the rules are released
}

// Every enabled rule that names the process is applied, in list order; each
// sees the mask that the one before it set. Which rules name it depends only
// on its path and the list, so it is found once for each list.
void CCPULimitThread::ApplyRules(ProcessId id, KnownProcess& process) {
  IProcessSource& source = *source_;
  const char16_t* path = process.Path.c_str();
  if (process.RulesVersion != rules_version_) {
    process.Rules.clear();
    const char16_t* file_name = FileNamePart(path);
    for (std::size_t index = 0; index < rules_.size(); ++index) {
      if (RuleAppliesTo(rules_[index], path, file_name, source)) process.Rules.push_back(index);
    }
    process.RulesVersion = rules_version_;
  }
  for (const std::size_t index : process.Rules) {
    const LimitRule& rule = rules_[index];
    if (!source.OpenAffinity(id)) continue;
    AffinityScope affinity(source);
    std::uint32_t process_mask = 0;
    std::uint32_t system_mask = 0;
    // Masks that cannot be read give no basis for a decision.
    if (!source.ReadMasks(&process_mask, &system_mask)) continue;
    const auto mask =
        DecideAffinity(rule.CPUCount, rule.CPUMask, process_mask, system_mask, generator_);
    if (mask && source.SetMask(*mask) && change_handler_) {
      change_handler_({id, process.Path, process_mask, *mask});
    }
  }
}

}  // namespace tarrowin
