// The processes that passes have seen, by id and start time.
#include "engine/known_processes.h"

#include <functional>

namespace tarrowin {

std::size_t CKnownProcesses::IdentityHash::operator()(
    const ProcessIdentity& process) const noexcept {
  // Ids are small and dense, start times large and close together: spread
  // the id over the high bits before the two are mixed.
  const std::uint64_t spread = static_cast<std::uint64_t>(process.Id) * 0x9E3779B97F4A7C15u;
  return std::hash<std::uint64_t>{}(spread ^ process.StartTime);
}

void CKnownProcesses::BeginPass() { ++pass_; }

KnownProcess* CKnownProcesses::Find(const ProcessIdentity& process) {
  if (process.StartTime == 0) return nullptr;
  const auto found = known_.find(process);
  if (found == known_.end()) return nullptr;
  found->second.seen_in_pass = pass_;
  return &found->second.process;
}

KnownProcess& CKnownProcesses::Keep(const ProcessIdentity& process, std::u16string_view path) {
  KnownProcess* record = &unkept_;
  if (process.StartTime != 0) {
    Entry& entry = known_[process];
    entry.seen_in_pass = pass_;
    record = &entry.process;
  }
  record->Path.assign(path);
  record->RulesVersion = 0;
  record->Rules.clear();
  return *record;
}

void CKnownProcesses::EndPass() {
  std::erase_if(known_, [this](const auto& item) { return item.second.seen_in_pass != pass_; });
}

}  // namespace tarrowin
