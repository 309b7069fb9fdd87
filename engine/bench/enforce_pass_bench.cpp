// Time of one enforcement pass in the engine's own logic: a process source
// that serves fixed paths and masks from memory, so that what is measured
// is the matching, the decisions and the pass's bookkeeping. Run with
//   build/bench/engine/bench/engine_enforce_pass_bench
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

// Processes held in memory; every call is a lookup or a copy.
class MemoryProcessSource final : public IProcessSource {
 public:
  explicit MemoryProcessSource(int count) {
    for (int i = 0; i < count; ++i) processes_.push_back({PathOf(i), kSystemMask});
  }

  int TakeSnapshot() override {
    next_ = 0;
    return 1;
  }
  int NextProcess(ProcessId* id) override {
    if (next_ >= processes_.size()) return 0;
    *id = static_cast<ProcessId>(next_++);
    return 1;
  }
  void CloseSnapshot() override {}
  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
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
    *process_mask = open_->mask;
    *system_mask = kSystemMask;
    return 1;
  }
  int SetMask(std::uint32_t mask) override {
    open_->mask = mask;
    return 1;
  }
  void CloseAffinity() override { open_ = nullptr; }
  bool SameName(const char16_t* a, const char16_t* b) override { return EqualNoCase(a, b); }

 private:
  struct Process {
    std::u16string path;
    std::uint32_t mask;
  };
  std::vector<Process> processes_;
  std::size_t next_ = 0;
  Process* open_ = nullptr;
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

void BM_EnforcePass(benchmark::State& state) {
  const int processes = static_cast<int>(state.range(0));
  const int rules = static_cast<int>(state.range(1));
  CCPULimitThread engine(std::make_unique<MemoryProcessSource>(processes), 1);
  engine.SetRules(Rules(rules));
  engine.EnforcePass();  // narrows once; later passes find the masks in place
  for (auto _ : state) engine.EnforcePass();
  state.counters["processes"] = processes;
  state.counters["rules"] = rules;
}

BENCHMARK(BM_EnforcePass)
    ->ArgsProduct({{100, 1000, 10000}, {1, 20, 200}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarrowin

BENCHMARK_MAIN();
