// A helper program of the tests copied under a name of its own and run as a
// child, with its standard input on a pipe; and the affinity of its
// threads as the kernel reports it. For the real-process tests of the
// engine and of tarrowin-cli on Linux.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/engine/test_sync.h"

namespace tarrowin::testing {

// The processors 0 to 31 of a kernel CPU set.
inline std::uint32_t LowMask(const cpu_set_t& set) {
  std::uint32_t mask = 0;
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= 1u << cpu;
  }
  return mask;
}

// The processors a thread may use (0 when it cannot be read, for instance
// because it has ended).
inline std::uint32_t AffinityOf(pid_t thread) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(thread, sizeof(set), &set) != 0) return 0;
  return LowMask(set);
}

inline std::vector<pid_t> ThreadsOf(pid_t pid) {
  std::vector<pid_t> threads;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    threads.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
  }
  return threads;
}

// The threads of `pid` that may use a processor outside `mask`; threads
// that end while they are counted are left out.
inline int ThreadsOutside(pid_t pid, std::uint32_t mask) {
  int outside = 0;
  for (const pid_t thread : ThreadsOf(pid)) {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(thread, sizeof(set), &set) != 0) continue;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
      if (CPU_ISSET(cpu, &set) && (cpu >= 32 || ((mask >> cpu) & 1u) == 0)) {
        ++outside;
        break;
      }
    }
  }
  return outside;
}

// The folder of the running test program.
inline std::filesystem::path ThisProgramFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

struct ChildOptions {
  // The helper program to copy and run.
  std::filesystem::path helper{};
  // Appended to the copy's unique file name ("tw-" and digits).
  std::string suffix{};
  // Folders (relative) between the child's private folder and its file.
  std::filesystem::path subfolders{};
  // When not 0: more folders between those and the file, so that the
  // file's full path has exactly this many bytes.
  std::size_t path_length = 0;
  std::vector<std::string> args{};
};

// Killed, reaped and deleted on destruction.
class ChildProcess {
 public:
  explicit ChildProcess(ChildOptions options) : options_(std::move(options)) {
    namespace fs = std::filesystem;
    static int serial = 0;
    char dir_template[] = "/tmp/tarrowin-child-XXXXXX";
    if (mkdtemp(dir_template) == nullptr) return;
    dir_ = dir_template;
    name_ =
        "tw-" + std::to_string(getpid()) + "-" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000000) +
        "-" + std::to_string(++serial) + options_.suffix;
    fs::path folder = options_.subfolders.empty() ? dir_ : dir_ / options_.subfolders;
    if (options_.path_length != 0) {
      // Folder names of up to 200 bytes, each adding itself and a "/"; a
      // rest of one byte could not be filled.
      const std::size_t least = (folder / name_).string().size();
      if (options_.path_length < least || options_.path_length - least == 1) return;
      std::size_t rest = options_.path_length - least;
      while (rest > 0) {
        std::size_t take = std::min<std::size_t>(rest, 201);
        if (rest - take == 1) --take;
        folder /= std::string(take - 1, 'd');
        rest -= take;
      }
    }
    std::error_code error;
    fs::create_directories(folder, error);
    path_ = folder / name_;
    fs::copy_file(options_.helper, path_, error);
    if (error) return;
    fs::permissions(path_, fs::perms::owner_all, error);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    input_ = ends[1];
    std::vector<std::string> words = {name_};
    words.insert(words.end(), options_.args.begin(), options_.args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(ends[0], 0);  // the copy does not keep O_CLOEXEC
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      execv(path_.c_str(), argv.data());
      _exit(127);
    }
    close(ends[0]);
  }

  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) close(input_);
    std::error_code error;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, error);
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Running the copied program, with at least `threads` threads.
  bool WaitUntilReady(std::size_t threads = 2) {
    if (pid_ <= 0) return false;
    const std::string exe = "/proc/" + std::to_string(pid_) + "/exe";
    return PollUntil([&] {
      std::error_code error;
      return std::filesystem::read_symlink(exe, error) == path_ &&
             ThreadsOf(pid_).size() >= threads;
    });
  }

  // Sends bytes to the child's standard input.
  bool Send(const std::string& bytes) {
    return input_ >= 0 &&
           write(input_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  pid_t pid() const { return pid_; }
  const std::string& name() const { return name_; }
  const std::filesystem::path& path() const { return path_; }

 private:
  ChildOptions options_;
  std::filesystem::path dir_;
  std::string name_;
  std::filesystem::path path_;
  int input_ = -1;
  pid_t pid_ = -1;
};

}  // namespace tarrowin::testing
