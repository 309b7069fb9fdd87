// Time of one enforcement pass in the engine's own logic: a process source
// that serves fixed paths and masks from memory and counts what a pass asks
// of it, so that what is measured is the matching, the decisions and the
// pass's bookkeeping. Each size is run twice: with the processes' start
// times known, as the system sources give them, and with them unknown, which
// makes every pass read every path and compare every rule with it, as every
// pass did before paths were kept. Run with
//   build/bench/engine/bench/engine_enforce_pass_bench
// The counters are per pass, in the steady state after a first pass.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/cpu_limit_thread.h"
#include "engine/name_compare.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kSystemMask = 0xFF;

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::u16string PathOf(int process) {
  static const char* const kFolders[] = {"C:\\Windows\\System32\\", "C:\\Program Files\\Vendor\\",
                                         "C:\\Users\\user\\AppData\\Local\\Tools\\bin\\"};
  return Ascii(std::string(kFolders[process % 3]) + "app" + std::to_string(process) + ".exe");
}

// What a pass asked of the source.
struct SourceCalls {
  std::int64_t snapshots = 0, path_reads = 0, mask_reads = 0, name_compares = 0;
};

// Processes held in memory; every call is a lookup or a copy.
class MemoryProcessSource final : public IProcessSource {
 public:
  MemoryProcessSource(int count, bool start_times_known) : start_times_known_(start_times_known) {
    for (int i = 0; i < count; ++i) processes_.push_back({PathOf(i), kSystemMask});
  }

  const SourceCalls& calls() const { return calls_; }

  int TakeSnapshot() override {
    ++calls_.snapshots;
    next_ = 0;
    return 1;
  }
  int NextProcess(ProcessId* id) override {
    if (next_ >= processes_.size()) return 0;
    *id = static_cast<ProcessId>(next_++);
    return 1;
  }
  std::uint64_t StartTime() override { return start_times_known_ ? 1000 + next_ : 0; }
  void CloseSnapshot() override {}
  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    ++calls_.path_reads;
    const std::u16string& text = processes_[id].path;
    const std::size_t length = std::min(text.size(), capacity - 1);
    text.copy(path, length);
    path[length] = 0;
    return length;
  }
  int OpenAffinity(ProcessId id) override {
    open_ = &processes_[id];
    return 1;
  }
  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) override {
    ++calls_.mask_reads;
    *process_mask = open_->mask;
    *system_mask = kSystemMask;
    return 1;
  }
  int SetMask(std::uint32_t mask) override {
    open_->mask = mask;
    return 1;
  }
  void CloseAffinity() override { open_ = nullptr; }
  bool SameName(const char16_t* a, const char16_t* b) override {
    ++calls_.name_compares;
    return EqualNoCase(a, b);
  }

 private:
  struct Process {
    std::u16string path;
    std::uint32_t mask;
  };
  std::vector<Process> processes_;
  bool start_times_known_;
  std::size_t next_ = 0;
  Process* open_ = nullptr;
  SourceCalls calls_;
};

// Half the rules name a file in capitals, half a full path; one process in
// seven is named by a rule while there are enough rules.
std::vector<LimitRule> Rules(int count) {
  std::vector<LimitRule> rules;
  for (int k = 0; k < count; ++k) {
    const int process = 7 * k;
    if (k % 2 == 0) {
      rules.push_back({Ascii("APP" + std::to_string(process) + ".EXE"), 2, 0});
    } else {
      rules.push_back({PathOf(process), 1, 0x4});
    }
  }
  return rules;
}

int MatchedProcesses(int processes, int rules) {
  return rules == 0 ? 0 : std::min(rules, (processes + 6) / 7);
}

void BM_EnforcePass(benchmark::State& state) {
  const int processes = static_cast<int>(state.range(0));
  const int rules = static_cast<int>(state.range(1));
  const bool start_times_known = state.range(2) != 0;
  auto owned = std::make_unique<MemoryProcessSource>(processes, start_times_known);
  const MemoryProcessSource& source = *owned;
  CCPULimitThread engine(std::move(owned), 1);
  engine.SetRules(Rules(rules));
  engine.EnforcePass();  // narrows once; later passes find the masks in place
  const SourceCalls before = source.calls();
  for (auto _ : state) engine.EnforcePass();
  const SourceCalls& after = source.calls();
  const auto per_pass = [](std::int64_t count) {
    return benchmark::Counter(static_cast<double>(count), benchmark::Counter::kAvgIterations);
  };
  state.counters["snapshots"] = per_pass(after.snapshots - before.snapshots);
  state.counters["path_reads"] = per_pass(after.path_reads - before.path_reads);
  state.counters["mask_reads"] = per_pass(after.mask_reads - before.mask_reads);
  state.counters["name_compares"] = per_pass(after.name_compares - before.name_compares);
  state.counters["matched"] = MatchedProcesses(processes, rules);
  state.SetLabel(start_times_known ? "start times known" : "every path read");
}

BENCHMARK(BM_EnforcePass)
    ->ArgNames({"processes", "rules", "known"})
    ->ArgsProduct({{100, 1000, 10000}, {1, 20, 200}, {1, 0}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarrowin

BENCHMARK_MAIN();
