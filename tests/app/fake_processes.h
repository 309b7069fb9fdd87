// A scripted process list for an engine that the user-interface tests own:
// after the user interface has handed its rules over, one pass over these
// processes shows which rules the engine holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "engine/cpu_limit_thread.h"
#include "engine/process_source.h"

namespace tarrowin::testing {

class FakeProcesses : public IProcessSource {
 public:
  // Each process runs `path` on all four processors of a four-processor
  // system.
  explicit FakeProcesses(std::vector<std::u16string> paths) : paths_(std::move(paths)) {}

  // Processes whose mask a pass has set, by index into the paths.
  const std::map<ProcessId, std::uint32_t>& narrowed() const { return narrowed_; }

  int TakeSnapshot() override {
    next_ = 0;
    return 1;
  }
  int NextProcess(ProcessId* id) override {
    if (next_ >= paths_.size()) return 0;
    *id = static_cast<ProcessId>(next_++);
    return 1;
  }
  void CloseSnapshot() override {}
  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    const std::u16string& text = paths_.at(id);
    const std::size_t length = std::min(text.size(), capacity - 1);
    text.copy(path, length);
    path[length] = u'\0';
    return length;
  }
  int OpenAffinity(ProcessId id) override {
    open_ = id;
    return 1;
  }
  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) override {
    *process_mask = 0xF;
    *system_mask = 0xF;
    return 1;
  }
  int SetMask(std::uint32_t mask) override {
    narrowed_[open_] = mask;
    return 1;
  }
  void CloseAffinity() override {}
  bool SameName(const char16_t* a, const char16_t* b) override {
    for (; *a != 0 && *b != 0; ++a, ++b) {
      if (Lower(*a) != Lower(*b)) return false;
    }
    return *a == *b;
  }

 private:
  static char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

  std::vector<std::u16string> paths_;
  std::size_t next_ = 0;
  ProcessId open_ = 0;
  std::map<ProcessId, std::uint32_t> narrowed_;
};

// Puts an engine over fake processes in the place of the program's own for
// the life of this object. Its worker is never started: the test runs the
// passes.
class FakeEngine {
 public:
  FakeEngine(AppContext& context, std::vector<std::u16string> paths) : context_(context) {
    auto source = std::make_unique<FakeProcesses>(std::move(paths));
    processes_ = source.get();
    engine_ = std::make_unique<CCPULimitThread>(std::move(source), 5489);
    original_ = context_.Engine;
    context_.Engine = engine_.get();
  }
  ~FakeEngine() { context_.Engine = original_; }
  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  // One pass; the processes it narrowed.
  std::map<ProcessId, std::uint32_t> Pass() {
    engine_->EnforcePass();
    return processes_->narrowed();
  }

 private:
  AppContext& context_;
  CCPULimitThread* original_;
  std::unique_ptr<CCPULimitThread> engine_;
  FakeProcesses* processes_;
};

}  // namespace tarrowin::testing
