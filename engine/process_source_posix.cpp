// The system's processes on Linux: /proc for the process list and the
// executable paths, sched_getaffinity and sched_setaffinity for the masks.
// The system mask is the online processors. Processes that cannot be read
// or changed (kernel threads, other users' processes) are skipped quietly.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <limits>

#include "engine/cpu_list.h"
#include "engine/name_compare.h"
#include "engine/process_source.h"
#include "settings/utf8.h"

namespace tarrowin {
namespace {

class DirHandle {
 public:
  DirHandle() = default;
  explicit DirHandle(DIR* dir) : dir_(dir) {}
  ~DirHandle() { reset(); }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  DIR* get() const { return dir_; }
  void reset(DIR* dir = nullptr) {
    if (dir_ != nullptr) closedir(dir_);
    dir_ = dir;
  }

 private:
  DIR* dir_ = nullptr;
};

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// A /proc entry name that is a process id.
bool ParseProcessId(const char* name, ProcessId* id) {
  if (*name == 0) return false;
  std::uint64_t value = 0;
  for (const char* p = name; *p != 0; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(*p - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
  }
  *id = static_cast<ProcessId>(value);
  return true;
}

std::uint32_t OnlineProcessors() {
  const FileDescriptor file(open("/sys/devices/system/cpu/online", O_RDONLY | O_CLOEXEC));
  if (file.get() >= 0) {
    char text[256];
    const ssize_t length = read(file.get(), text, sizeof(text));
    if (length > 0 && static_cast<std::size_t>(length) < sizeof(text)) {
      if (const auto mask = ParseCpuList({text, static_cast<std::size_t>(length)})) return *mask;
    }
  }
  const long count = sysconf(_SC_NPROCESSORS_ONLN);
  if (count <= 0) return 1;
  return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1;
}

std::uint32_t LowMask(const cpu_set_t& set) {
  std::uint32_t mask = 0;
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= 1u << cpu;
  }
  return mask;
}

class CPosixProcessSource final : public IProcessSource {
 public:
  int TakeSnapshot() override {
    proc_.reset(opendir("/proc"));
    system_mask_ = OnlineProcessors();
    return proc_.get() != nullptr ? 1 : 0;
  }

  int NextProcess(ProcessId* id) override {
    if (proc_.get() == nullptr) return 0;
    while (const dirent* entry = readdir(proc_.get())) {
      if (ParseProcessId(entry->d_name, id)) return 1;
    }
    return 0;
  }

  // Unknown: exec runs another program under the same id and start time
  // (a child between fork and exec, a wrapper script that execs the real
  // program), so a kept path could be wrong. Reading the link is one system
  // call, no dearer than reading a start time would be.
  std::uint64_t StartTime() override { return 0; }

  void CloseSnapshot() override { proc_.reset(); }

  // Paths longer than the buffer, or not valid UTF-8, are left unread.
  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    if (capacity == 0) return 0;
    path[0] = 0;
    char link[32];
    std::snprintf(link, sizeof(link), "/proc/%u/exe", id);
    char target[4096];
    const ssize_t length = readlink(link, target, sizeof(target));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(target)) return 0;
    target[length] = 0;
    const std::size_t room = capacity < 0x7FFFFFFF ? capacity : 0x7FFFFFFF;
    const int units = Utf8ToWide(path, target, static_cast<int>(room));
    if (units <= 0) {
      path[0] = 0;
      return 0;
    }
    return static_cast<std::size_t>(units);
  }

  int OpenAffinity(ProcessId id) override {
    cpu_set_t set;
    CPU_ZERO(&set);
    open_ = sched_getaffinity(static_cast<pid_t>(id), sizeof(set), &set) == 0;
    if (!open_) return 0;
    pid_ = id;
    process_mask_ = LowMask(set);
    return 1;
  }

  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) override {
    if (!open_) return 0;
    *process_mask = process_mask_;
    *system_mask = system_mask_;
    return 1;
  }

  // Linux keeps an affinity per thread: every thread of the process gets the
  // mask, as Win32 does for a process. Threads started later inherit it from
  // the thread that starts them.
  int SetMask(std::uint32_t mask) override {
    if (!open_) return 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 32; ++cpu) {
      if ((mask >> cpu) & 1u) CPU_SET(cpu, &set);
    }
    char tasks_path[48];
    std::snprintf(tasks_path, sizeof(tasks_path), "/proc/%u/task", pid_);
    const DirHandle tasks(opendir(tasks_path));
    if (tasks.get() == nullptr) {
      return sched_setaffinity(static_cast<pid_t>(pid_), sizeof(set), &set) == 0 ? 1 : 0;
    }
    int set_any = 0;
    while (const dirent* entry = readdir(tasks.get())) {
      ProcessId thread = 0;
      if (ParseProcessId(entry->d_name, &thread) &&
          sched_setaffinity(static_cast<pid_t>(thread), sizeof(set), &set) == 0) {
        set_any = 1;
      }
    }
    return set_any;
  }

  void CloseAffinity() override { open_ = false; }

  bool SameName(const char16_t* a, const char16_t* b) override { return EqualNoCase(a, b); }

 private:
  DirHandle proc_;
  std::uint32_t system_mask_ = OnlineProcessors();
  bool open_ = false;
  ProcessId pid_ = 0;
  std::uint32_t process_mask_ = 0;
};

}  // namespace

std::unique_ptr<IProcessSource> MakeSystemProcessSource() {
  return std::make_unique<CPosixProcessSource>();
}

}  // namespace tarrowin
