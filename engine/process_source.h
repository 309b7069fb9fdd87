// What an enforcement pass needs from the operating system: a snapshot of
// the running processes, each one's executable path, and access to its
// processor affinity. process_source_win32.cpp and process_source_posix.cpp
// implement it for the running system; tests give a scripted one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tarrowin {

using ProcessId = std::uint32_t;

// Operations that return int give 1 for success, 0 for failure. One
// snapshot and one affinity access are open at a time; a pass closes both
// before it ends.
class IProcessSource {
 public:
  virtual ~IProcessSource() = default;

  // Takes a snapshot of the running processes; 0 when it cannot be taken.
  virtual int TakeSnapshot() = 0;
  // The next process of the snapshot; 0 after the last one.
  virtual int NextProcess(ProcessId* id) = 0;
  virtual void CloseSnapshot() = 0;

  // Writes the process's full executable path into `path`, cut to
  // `capacity` - 1 units and terminated, and returns its length: 0 when the
  // process cannot be opened or its path cannot be read. Keeps nothing open.
  virtual std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) = 0;

  // Opens the process for reading and setting its affinity; 0 when that is
  // denied or the process has ended. ReadMasks and SetMask work on the open
  // process until CloseAffinity.
  virtual int OpenAffinity(ProcessId id) = 0;
  // The processors the process may use and those the system has, as 32-bit
  // masks (processors 32 and above are left out).
  virtual int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) = 0;
  // 1 when the process now runs within `mask`. A pass does not act on a
  // failure (the next pass tries again); it only leaves it unreported.
  virtual int SetMask(std::uint32_t mask) = 0;
  virtual void CloseAffinity() = 0;

  // Whether two names (paths or file names) are equal, ignoring letter case
  // the way the platform does.
  virtual bool SameName(const char16_t* a, const char16_t* b) = 0;
};

// The running system's processes.
std::unique_ptr<IProcessSource> MakeSystemProcessSource();

}  // namespace tarrowin
