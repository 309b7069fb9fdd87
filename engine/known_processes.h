// What enforcement passes keep of the processes they have seen, so that a
// process's executable path is read once in its life instead of on every
// pass, and the rules that name it are found again only when the rules
// change. A process is known by its id and start time, since the system
// gives the id of an ended process to a later one; only the processes that
// the last pass listed are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/process_source.h"

namespace tarrowin {

// A process as a pass meets it. A start time of 0 is unknown: such a
// process is never kept.
struct ProcessIdentity {
  ProcessId Id = 0;
  std::uint64_t StartTime = 0;
  bool operator==(const ProcessIdentity&) const = default;
};

// What is kept of one process.
struct KnownProcess {
  std::u16string Path;  // as read, without its terminator
  // The positions, in list order, of the rules that apply to this process,
  // found for the rule list of version RulesVersion; 0 = not found yet.
  std::uint64_t RulesVersion = 0;
  std::vector<std::size_t> Rules;
};

class CKnownProcesses {
 public:
  // Starts a pass: no process has been seen yet.
  void BeginPass();
  // What is kept of `process`, which now counts as seen in this pass; null
  // when nothing is (a new process, or one whose start time is unknown).
  KnownProcess* Find(const ProcessIdentity& process);
  // Keeps `path` for `process`, which now counts as seen in this pass, with
  // its rules not found yet, and returns the record. A process whose start
  // time is unknown is not kept: its record lasts until the next Keep.
  KnownProcess& Keep(const ProcessIdentity& process, std::u16string_view path);
  // Forgets every process that this pass did not see: it has ended.
  void EndPass();

  // Processes kept: at most those that the last pass saw.
  std::size_t size() const { return known_.size(); }

 private:
  struct IdentityHash {
    std::size_t operator()(const ProcessIdentity& process) const noexcept;
  };
  struct Entry {
    KnownProcess process;
    std::uint64_t seen_in_pass = 0;
  };

  std::unordered_map<ProcessIdentity, Entry, IdentityHash> known_;
  KnownProcess unkept_;  // reused, so that it allocates only to grow
  std::uint64_t pass_ = 0;
};

}  // namespace tarrowin
