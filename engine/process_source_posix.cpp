// The system's processes on Linux: /proc for the process list and the
// executable paths, sched_getaffinity and sched_setaffinity for the masks.
// The kernel keeps an affinity per thread, so a process is treated as the
// Win32 calls treat one: its mask is the union of its threads' masks, and
// setting it puts every thread inside. The system mask is the set of
// processors this process may use (what its container or cpuset grants).
// Processes that cannot be read or changed (kernel threads, other users'
// processes) are skipped quietly.
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <limits>
#include <string_view>

#include "engine/cpu_list.h"
#include "engine/name_compare.h"
#include "engine/process_source.h"
#include "settings/utf8_strict.h"

namespace tarrowin {
namespace {

// Walks of a process's threads that SetMask makes at most: every walk puts
// the threads it finds outside the mask inside, until one finds none. More
// than two are needed only while threads come and go during the walks (a
// new thread inherits the mask of the thread that starts it, which may not
// be set yet) or widen themselves again.
constexpr int kMaxThreadWalks = 16;

// Longer link targets cannot fit in a path buffer of 2048 UTF-16 units.
constexpr std::size_t kLinkBytes = 8192;

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

// A /proc entry name that is a process or thread id.
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

std::uint32_t LowMask(const cpu_set_t& set) {
  std::uint32_t mask = 0;
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= 1u << cpu;
  }
  return mask;
}

cpu_set_t SetOf(std::uint32_t mask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu = 0; cpu < 32; ++cpu) {
    if ((mask >> cpu) & 1u) CPU_SET(cpu, &set);
  }
  return set;
}

// Whether the set allows a processor that `mask` does not (processors 32
// and above included).
bool Outside(const cpu_set_t& set, std::uint32_t mask) {
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &set) && (cpu >= 32 || ((mask >> cpu) & 1u) == 0)) return true;
  }
  return false;
}

// The processors online, for a process that cannot read its own affinity.
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

// The processors the calling thread may use: the processors this process
// has to give.
std::uint32_t AllowedProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    if (const std::uint32_t mask = LowMask(set)) return mask;
  }
  return OnlineProcessors();
}

// Opens the thread list of a process; closed when the value goes.
DirHandle OpenTasks(ProcessId pid) {
  char path[48];
  std::snprintf(path, sizeof(path), "/proc/%u/task", pid);
  return DirHandle(opendir(path));
}

// The next thread of a list; 0 after the last one.
int NextThread(const DirHandle& tasks, pid_t* thread) {
  while (const dirent* entry = readdir(tasks.get())) {
    ProcessId id = 0;
    if (ParseProcessId(entry->d_name, &id)) {
      *thread = static_cast<pid_t>(id);
      return 1;
    }
  }
  return 0;
}

// What one walk over a process's threads found and did.
struct ThreadWalk {
  int threads = 0;  // threads whose affinity could be read
  int outside = 0;  // of them, those allowed a processor outside the mask
  // Threads that ended while the walk looked at them: each may have started
  // a thread after the list was read, with its own, possibly wider, mask.
  int vanished = 0;
  bool refused = false;  // a thread that this process may not change
};

ThreadWalk NarrowThreads(ProcessId pid, std::uint32_t mask) {
  ThreadWalk walk;
  const cpu_set_t wanted = SetOf(mask);
  const DirHandle tasks = OpenTasks(pid);
  if (tasks.get() == nullptr) return walk;
  pid_t thread = 0;
  while (NextThread(tasks, &thread)) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(thread, sizeof(set), &set) != 0) {
      ++walk.vanished;
      continue;
    }
    ++walk.threads;
    if (!Outside(set, mask)) continue;
    ++walk.outside;
    if (sched_setaffinity(thread, sizeof(wanted), &wanted) != 0) {
      if (errno == ESRCH) {
        ++walk.vanished;
      } else {
        walk.refused = true;
      }
    }
  }
  return walk;
}

class CPosixProcessSource final : public IProcessSource {
 public:
  int TakeSnapshot() override {
    proc_.reset(opendir("/proc"));
    system_mask_ = AllowedProcessors();
    return proc_.get() != nullptr ? 1 : 0;
  }

  int NextProcess(ProcessId* id) override {
    if (proc_.get() == nullptr) return 0;
    while (const dirent* entry = readdir(proc_.get())) {
      if (ParseProcessId(entry->d_name, id)) return 1;
    }
    return 0;
  }

  void CloseSnapshot() override { proc_.reset(); }

  // A path that is not well-formed UTF-8, or that does not fit the buffer
  // with its terminator, is not read at all: a cut or patched path could
  // match a rule meant for another program.
  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    if (capacity == 0) return 0;
    path[0] = 0;
    char link[32];
    std::snprintf(link, sizeof(link), "/proc/%u/exe", id);
    char target[kLinkBytes];
    const ssize_t length = readlink(link, target, sizeof(target));
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof(target)) return 0;
    const auto units = DecodeUtf8Exactly(std::string_view(target, static_cast<std::size_t>(length)),
                                         path, capacity);
    return units.value_or(0);
  }

  int OpenAffinity(ProcessId id) override {
    open_ = false;
    std::uint32_t mask = 0;
    int threads = 0;
    if (const DirHandle tasks = OpenTasks(id); tasks.get() != nullptr) {
      pid_t thread = 0;
      while (NextThread(tasks, &thread)) {
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(thread, sizeof(set), &set) != 0) continue;
        mask |= LowMask(set);
        ++threads;
      }
    }
    if (threads == 0) return 0;  // ended, or not a process whose threads can be seen
    open_ = true;
    pid_ = id;
    process_mask_ = mask;
    return 1;
  }

  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) override {
    if (!open_) return 0;
    *process_mask = process_mask_;
    *system_mask = system_mask_;
    return 1;
  }

  // Walks the threads until a walk finds none outside the mask and none
  // ending under its eyes. Success means that the last walk found every
  // thread it could read inside the mask; a thread that escaped it leaves
  // the process wider than the mask, and the next pass narrows it again.
  int SetMask(std::uint32_t mask) override {
    if (!open_ || mask == 0) return 0;
    ThreadWalk walk;
    for (int round = 0; round < kMaxThreadWalks; ++round) {
      walk = NarrowThreads(pid_, mask);
      if (walk.refused || walk.threads + walk.vanished == 0) return 0;
      if (walk.outside == 0 && walk.vanished == 0) return 1;
    }
    return walk.outside == 0 ? 1 : 0;
  }

  void CloseAffinity() override { open_ = false; }

  bool SameName(const char16_t* a, const char16_t* b) override { return EqualNoCase(a, b); }

 private:
  DirHandle proc_;
  std::uint32_t system_mask_ = AllowedProcessors();
  bool open_ = false;
  ProcessId pid_ = 0;
  std::uint32_t process_mask_ = 0;
};

}  // namespace

std::unique_ptr<IProcessSource> MakeSystemProcessSource() {
  return std::make_unique<CPosixProcessSource>();
}

}  // namespace tarrowin
