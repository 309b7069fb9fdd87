// The engine on Linux's real processes: a child process started under a
// unique name is narrowed by one pass, in every thread, and left alone by
// the next.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "engine/os_thread.h"
#include "engine/process_source.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::uint32_t LowMask(const cpu_set_t& set) {
  std::uint32_t mask = 0;
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= 1u << cpu;
  }
  return mask;
}

std::uint32_t AffinityOf(pid_t thread) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(thread, sizeof(set), &set) != 0) return 0;
  return LowMask(set);
}

std::vector<pid_t> ThreadsOf(pid_t pid) {
  std::vector<pid_t> threads;
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    threads.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
  }
  return threads;
}

// The helper program copied under a name of its own and running, with its
// standard input on a pipe. Killed, reaped and deleted on destruction.
class ChildProcess {
 public:
  ChildProcess() {
    static int serial = 0;
    const fs::path helper =
        fs::read_symlink("/proc/self/exe").parent_path() / "helpers" / "engine_affinity_child";
    char dir_template[] = "/tmp/tarrowin-engine-XXXXXX";
    if (mkdtemp(dir_template) == nullptr) return;
    dir_ = dir_template;
    name_ = "tw-child-" + std::to_string(getpid()) + "-" + std::to_string(os::TickCount()) + "-" +
            std::to_string(++serial);
    path_ = dir_ / name_;
    std::error_code error;
    fs::copy_file(helper, path_, error);
    if (error) return;
    fs::permissions(path_, fs::perms::owner_all, error);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    input_ = ends[1];
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      dup2(ends[0], 0);  // the copy does not keep O_CLOEXEC
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      execl(path_.c_str(), name_.c_str(), static_cast<char*>(nullptr));
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
    if (!dir_.empty()) fs::remove_all(dir_, error);
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Running the helper, with its second thread (a sanitizer may add more).
  bool WaitUntilReady() {
    if (pid_ <= 0) return false;
    const std::string exe = "/proc/" + std::to_string(pid_) + "/exe";
    return testing::PollUntil([&] {
      std::error_code error;
      return fs::read_symlink(exe, error) == path_ && ThreadsOf(pid_).size() >= 2;
    });
  }

  pid_t pid() const { return pid_; }
  const std::string& name() const { return name_; }
  const fs::path& path() const { return path_; }

 private:
  fs::path dir_;
  std::string name_;
  fs::path path_;
  int input_ = -1;
  pid_t pid_ = -1;
};

TEST(PosixProcessSourceTest, ListsThisProcessWithItsPathAndMasks) {
  const auto source = MakeSystemProcessSource();
  ASSERT_EQ(source->TakeSnapshot(), 1);
  bool found = false;
  ProcessId id = 0;
  while (source->NextProcess(&id)) found = found || id == static_cast<ProcessId>(getpid());
  source->CloseSnapshot();
  EXPECT_TRUE(found);

  char16_t path[CCPULimitThread::kPathCapacity];
  const std::size_t length = source->ReadPath(getpid(), path, std::size(path));
  EXPECT_EQ(std::u16string(path, length), Utf16(fs::read_symlink("/proc/self/exe").string()));

  ASSERT_EQ(source->OpenAffinity(getpid()), 1);
  std::uint32_t process_mask = 0, system_mask = 0;
  ASSERT_EQ(source->ReadMasks(&process_mask, &system_mask), 1);
  source->CloseAffinity();
  EXPECT_EQ(process_mask, AffinityOf(0));
  EXPECT_EQ(CountBits(system_mask), static_cast<int>(std::min(sysconf(_SC_NPROCESSORS_ONLN), 32L)));
}

TEST(PosixProcessSourceTest, ProcessesThatCannotBeReadAreRefused) {
  const auto source = MakeSystemProcessSource();
  char16_t path[16];
  // Process 2 is the kernel's thread starter: it has no executable.
  EXPECT_EQ(source->ReadPath(2, path, std::size(path)), 0u);
  EXPECT_EQ(source->ReadPath(0x7FFFFFF0, path, std::size(path)), 0u);
  EXPECT_EQ(source->OpenAffinity(0x7FFFFFF0), 0);
}

struct RuleCase {
  const char* name;
  bool full_path;
  bool explicit_core;  // else one processor chosen at random
};

void PrintTo(const RuleCase& c, std::ostream* out) { *out << c.name; }

std::uint32_t OnlineProcessors() {
  const auto source = MakeSystemProcessSource();
  std::uint32_t process_mask = 0, system_mask = 0;
  if (source->OpenAffinity(getpid()) && source->ReadMasks(&process_mask, &system_mask)) {
    return system_mask;
  }
  return 0;
}

class PosixEnforcementTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PosixEnforcementTest, OnePassNarrowsEveryThreadAndTheNextLeavesThem) {
  const RuleCase& c = GetParam();
  ChildProcess child;
  ASSERT_TRUE(child.WaitUntilReady());
  const std::uint32_t before = AffinityOf(child.pid());
  if (CountBits(before) < 2 || before != OnlineProcessors()) {
    GTEST_SKIP() << "the child may not use all of at least two processors";
  }
  const std::uint32_t highest = 1u << (31 - std::countl_zero(before));

  CCPULimitThread engine;
  const std::string name = c.full_path ? child.path().string() : child.name();
  engine.SetRules(std::vector<LimitRule>{{Utf16(name), 1, c.explicit_core ? highest : 0}});
  engine.EnforcePass();

  const std::uint32_t after = AffinityOf(child.pid());
  EXPECT_EQ(CountBits(after), 1);
  EXPECT_EQ(after & ~before, 0u);
  if (c.explicit_core) {
    EXPECT_EQ(after, highest);
  }
  for (pid_t thread : ThreadsOf(child.pid())) EXPECT_EQ(AffinityOf(thread), after) << thread;

  engine.EnforcePass();
  for (pid_t thread : ThreadsOf(child.pid())) EXPECT_EQ(AffinityOf(thread), after) << thread;
}

INSTANTIATE_TEST_SUITE_P(Rules, PosixEnforcementTest,
                         ::testing::Values(RuleCase{"BareNameRandomCore", false, false},
                                           RuleCase{"FullPathExplicitCore", true, true}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarrowin
