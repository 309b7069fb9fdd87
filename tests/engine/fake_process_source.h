// A scripted process source for engine tests: a list of processes with
// paths and masks, switches that make each step fail, and a record of what
// a pass opened, read and set. It also checks that a pass uses it in order
// (one snapshot, one affinity access at a time, everything closed).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/name_compare.h"
#include "engine/process_source.h"

namespace tarrowin::testing {

struct FakeProcess {
  ProcessId id = 0;
  std::u16string path;
  std::uint32_t mask = 0;
  bool path_readable = true;
  bool affinity_allowed = true;
  bool masks_readable = true;
  bool mask_settable = true;  // else SetMask fails and changes nothing
};

struct MaskChange {
  ProcessId id;
  std::uint32_t mask;
  bool operator==(const MaskChange&) const = default;
};

class FakeProcessSource : public IProcessSource {
 public:
  std::vector<FakeProcess> processes;
  std::uint32_t system_mask = 0xFF;
  bool snapshot_fails = false;
  // Run on the pass's thread: at the start of every pass (before the rules
  // are locked), and at every path read (while they are locked).
  std::function<void()> on_snapshot;
  std::function<void()> on_read_path;

  // The record: every SetMask, and every process opened for its affinity.
  std::vector<MaskChange> changes;
  std::vector<ProcessId> affinity_opens;
  int path_reads = 0;
  // Out-of-order use seen: a second snapshot or affinity access while one is
  // open, masks read or set without an open access, a walk without snapshot.
  int misuse = 0;
  // Passes begun and ended; the only fields that other threads may read
  // while a pass runs.
  std::atomic<int> passes_started{0};
  std::atomic<int> passes_ended{0};

  bool snapshot_open() const { return snapshot_open_; }
  bool affinity_open() const { return affinity_ != nullptr; }

  FakeProcess* Find(ProcessId id) {
    for (FakeProcess& p : processes) {
      if (p.id == id) return &p;
    }
    return nullptr;
  }
  std::uint32_t MaskOf(ProcessId id) { return Find(id)->mask; }

  int TakeSnapshot() override {
    if (snapshot_open_) ++misuse;
    if (snapshot_fails) return 0;
    passes_started.fetch_add(1);
    if (on_snapshot) on_snapshot();
    snapshot_open_ = true;
    next_ = 0;
    return 1;
  }

  int NextProcess(ProcessId* id) override {
    if (!snapshot_open_) {
      ++misuse;
      return 0;
    }
    if (next_ >= processes.size()) return 0;
    *id = processes[next_++].id;
    return 1;
  }

  void CloseSnapshot() override {
    if (!snapshot_open_) ++misuse;
    snapshot_open_ = false;
    passes_ended.fetch_add(1);
  }

  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    ++path_reads;
    if (on_read_path) on_read_path();
    const FakeProcess* p = Find(id);
    if (p == nullptr || !p->path_readable || capacity == 0) return 0;
    const std::size_t length = std::min(p->path.size(), capacity - 1);
    p->path.copy(path, length);
    path[length] = 0;
    return length;
  }

  int OpenAffinity(ProcessId id) override {
    if (affinity_ != nullptr) ++misuse;
    affinity_opens.push_back(id);
    FakeProcess* p = Find(id);
    if (p == nullptr || !p->affinity_allowed) return 0;
    affinity_ = p;
    return 1;
  }

  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system) override {
    if (affinity_ == nullptr) {
      ++misuse;
      return 0;
    }
    if (!affinity_->masks_readable) return 0;
    *process_mask = affinity_->mask;
    *system = system_mask;
    return 1;
  }

  // Every attempt is recorded, also one that fails.
  int SetMask(std::uint32_t mask) override {
    if (affinity_ == nullptr) {
      ++misuse;
      return 0;
    }
    changes.push_back({affinity_->id, mask});
    if (!affinity_->mask_settable) return 0;
    affinity_->mask = mask;
    return 1;
  }

  void CloseAffinity() override { affinity_ = nullptr; }

  bool SameName(const char16_t* a, const char16_t* b) override { return EqualNoCase(a, b); }

 private:
  bool snapshot_open_ = false;
  std::size_t next_ = 0;
  FakeProcess* affinity_ = nullptr;
};

}  // namespace tarrowin::testing
