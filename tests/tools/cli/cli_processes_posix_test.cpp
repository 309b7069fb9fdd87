// tarrowin-cli on Linux's real processes: show lists a child with what the
// next pass would do and changes nothing; once narrows it and prints the
// change; run narrows a child started after it, reads its file again on
// SIGHUP (keeping its rules when the file no longer loads) and ends with
// status 0 on SIGINT and SIGTERM.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/child_process_posix.h"
#include "tests/files/temp_dir.h"
#include "tests/tools/cli/cli_test_support.h"
#include "tests/tools/spawn_posix.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing::AffinityOf;
using testing::ChildProcess;
using testing::PollUntil;
using testing::ThreadsOf;
using testing_cli::Cli;
using testing_cli::Hex8;
using testing_cli::Lines;
using testing_cli::Section;
using testing_files::ReadBytes;
using testing_files::TempDir;
using testing_files::WriteBytes;

// Long enough for a loaded machine; a fault still fails instead of hanging.
constexpr std::chrono::seconds kPatience{60};

fs::path AffinityChild() {
  return testing::ThisProgramFolder() / TARROWIN_HELPERS_RELATIVE / "engine_affinity_child";
}

// tarrowin-cli started in the background, its output going to files.
class CliProcess {
 public:
  CliProcess(const fs::path& folder, const std::vector<std::string>& args)
      : out_(folder / "cli.out"), err_(folder / "cli.err") {
    std::vector<std::string> words = {fs::path(Cli()).string()};
    words.insert(words.end(), args.begin(), args.end());
    pid_ = testing_tools::SpawnProgram(std::move(words), [&](posix_spawn_file_actions_t& actions) {
      posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0600);
      posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                       0600);
    });
  }

  ~CliProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  bool Signal(int signal) { return pid_ > 0 && kill(pid_, signal) == 0; }

  // The exit status once the program has ended of itself; -1 when it was
  // killed by a signal or did not end in time (it is then killed).
  int WaitForExit() {
    if (pid_ <= 0) return -1;
    int status = 0;
    const bool ended = PollUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; },
                                 std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Out() const { return ReadBytes(out_); }
  std::string Err() const { return ReadBytes(err_); }
  bool ErrSays(const std::string& words) const { return Err().find(words) != std::string::npos; }
  bool OutHasLine(const std::string& line) const {
    for (const std::string& l : Lines(Out())) {
      if (l == line) return true;
    }
    return false;
  }
  bool WaitForErr(const std::string& words) const {
    return PollUntil([&] { return ErrSays(words); },
                     std::chrono::duration_cast<std::chrono::milliseconds>(kPatience));
  }

 private:
  fs::path out_, err_;
  pid_t pid_ = -1;
};

bool AllThreadsOn(pid_t pid, std::uint32_t mask) {
  const std::vector<pid_t> threads = ThreadsOf(pid);
  if (threads.empty()) return false;
  for (const pid_t thread : threads) {
    if (AffinityOf(thread) != mask) return false;
  }
  return true;
}

class CliProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(child_.WaitUntilReady());
    system_ = AffinityOf(child_.pid());
    if (CountOf(system_) < 2 || system_ != AffinityOf(0)) {
      GTEST_SKIP() << "the child may not use all of at least two processors";
    }
    highest_ = 1u << (31 - std::countl_zero(system_));
    lowest_ = system_ & (0u - system_);
  }

  static int CountOf(std::uint32_t mask) { return std::popcount(mask); }

  // The change line that once and run print for `child` narrowed to `mask`.
  std::string ChangeLine(const ChildProcess& child, std::uint32_t mask) const {
    return std::to_string(child.pid()) + "\t" + child.path().string() + "\t" + Hex8(system_) +
           "\t" + Hex8(mask);
  }

  fs::path Rules() const { return dir_.dir() / "rules.ini"; }
  testing_tools::ProgramResult Run(const std::vector<std::string>& args) {
    std::vector<std::u16string> wide;
    for (const std::string& arg : args) wide.push_back(fs::path(arg).u16string());
    return testing_tools::RunProgram(Cli(), wide);
  }

  TempDir dir_;
  ChildProcess child_{{.helper = AffinityChild()}};
  std::uint32_t system_ = 0, highest_ = 0, lowest_ = 0;
};

TEST_F(CliProcessesTest, ShowListsTheChildWithTheNextDecisionAndChangesNothing) {
  // A disabled rule is not listed; the second rule is judged on what the
  // random choice of the first leaves.
  WriteBytes(Rules(), Section(1, child_.name(), -1, 0) + Section(2, child_.name(), 1, 0) +
                          Section(3, child_.path().string(), 1, highest_));
  for (const bool all : {false, true}) {
    SCOPED_TRACE(all ? "--all" : "matching only");
    const auto r = all ? Run({"show", "--all", Rules().string()}) : Run({"show", Rules().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "PID\tPATH\tMASK\tSYSTEM\tRULE\tNAME\tNEXT");
    const std::string head = std::to_string(child_.pid()) + "\t" + child_.path().string() + "\t" +
                             Hex8(system_) + "\t" + Hex8(system_) + "\t";
    std::vector<std::string> child_lines;
    std::string this_process;
    for (const std::string& line : lines) {
      if (line.starts_with(std::to_string(child_.pid()) + "\t")) child_lines.push_back(line);
      if (line.starts_with(std::to_string(getpid()) + "\t")) this_process = line;
    }
    EXPECT_EQ(child_lines, (std::vector<std::string>{
                               head + "2\t" + child_.name() + "\trandom 1 of " + Hex8(system_),
                               head + "3\t" + child_.path().string() + "\tset " + Hex8(highest_)}));
    if (all) {
      EXPECT_EQ(this_process, std::to_string(getpid()) + "\t" +
                                  testing::ThisProgramFolder().string() + "/cli_test\t" +
                                  Hex8(AffinityOf(0)) + "\t" + Hex8(system_) + "\t-\t-\t-");
    } else {
      EXPECT_EQ(lines.size(), 3u);
    }
  }
  EXPECT_TRUE(AllThreadsOn(child_.pid(), system_));
}

TEST_F(CliProcessesTest, OnceNarrowsTheChildAndPrintsTheChange) {
  WriteBytes(Rules(), Section(1, child_.path().string(), 1, highest_));
  const auto first = Run({"once", Rules().string()});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(Lines(first.out), std::vector<std::string>{ChangeLine(child_, highest_)});
  EXPECT_TRUE(AllThreadsOn(child_.pid(), highest_));
  // Already narrowed: nothing more to do or to say.
  const auto second = Run({"once", Rules().string()});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
  EXPECT_TRUE(AllThreadsOn(child_.pid(), highest_));
}

TEST_F(CliProcessesTest, RunNarrowsLaterChildrenReloadsOnHangupAndEndsOnTerm) {
  // The fixture's child is the one started later.
  WriteBytes(Rules(), Section(1, child_.name(), 1, highest_));
  CliProcess cli(dir_.dir(), {"run", Rules().string()});
  ASSERT_TRUE(cli.WaitForErr("1 rule, a pass every 500 ms")) << cli.Err();
  ChildProcess later({.helper = AffinityChild()});
  ASSERT_TRUE(later.WaitUntilReady());
  ASSERT_EQ(AffinityOf(later.pid()), system_);
  // Already running when the first pass came: narrowed by it.
  EXPECT_TRUE(PollUntil([&] { return AllThreadsOn(child_.pid(), highest_); }, kPatience));

  // A rule for the later child, added to the file.
  WriteBytes(Rules(),
             Section(1, child_.name(), 1, highest_) + Section(2, later.name(), 1, lowest_));
  ASSERT_TRUE(cli.Signal(SIGHUP));
  ASSERT_TRUE(cli.WaitForErr("reloaded, 2 rules")) << cli.Err();
  EXPECT_TRUE(PollUntil([&] { return AllThreadsOn(later.pid(), lowest_); }, kPatience));

  // A file that no longer loads leaves the rules in force: the first child,
  // widened again, is narrowed again.
  fs::remove(Rules());
  ASSERT_TRUE(cli.Signal(SIGHUP));
  ASSERT_TRUE(cli.WaitForErr("keeping the 2 rules in use")) << cli.Err();
  EXPECT_TRUE(cli.ErrSays("not found"));
  for (const pid_t thread : ThreadsOf(child_.pid())) {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 32; ++cpu) {
      if ((system_ >> cpu) & 1u) CPU_SET(cpu, &set);
    }
    sched_setaffinity(thread, sizeof(set), &set);
  }
  EXPECT_TRUE(PollUntil(
      [&] {
        const std::vector<std::string> lines = Lines(cli.Out());
        return std::count(lines.begin(), lines.end(), ChangeLine(child_, highest_)) == 2;
      },
      kPatience));
  EXPECT_TRUE(AllThreadsOn(child_.pid(), highest_));

  ASSERT_TRUE(cli.Signal(SIGTERM));
  EXPECT_EQ(cli.WaitForExit(), 0);
  // Every line is a change, and both children's are there.
  const std::vector<std::string> lines = Lines(cli.Out());
  for (const std::string& line : lines) {
    EXPECT_TRUE(line == ChangeLine(child_, highest_) || line == ChangeLine(later, lowest_)) << line;
  }
  EXPECT_TRUE(cli.OutHasLine(ChangeLine(later, lowest_)));
  EXPECT_EQ(Lines(cli.Err()).size(), 3u) << cli.Err();
}

TEST_F(CliProcessesTest, APathThatIsNotUtf8IsSkipped) {
  // The rule names what a path cut at the bad byte would end with.
  ChildProcess odd({.helper = AffinityChild(), .suffix = "\xFF"});
  ASSERT_TRUE(odd.WaitUntilReady());
  const std::string cut = odd.name().substr(0, odd.name().size() - 1);
  WriteBytes(Rules(), Section(1, cut, 1, highest_));
  const auto shown = Run({"show", "--all", Rules().string()});
  EXPECT_EQ(shown.status, 0) << shown.err;
  for (const std::string& line : Lines(shown.out)) {
    EXPECT_FALSE(line.starts_with(std::to_string(odd.pid()) + "\t")) << line;
  }
  const auto once = Run({"once", Rules().string()});
  EXPECT_EQ(once.status, 0) << once.err;
  EXPECT_EQ(once.out, "");
  EXPECT_TRUE(AllThreadsOn(odd.pid(), system_));
}

// A file the user may not read. Root reads every file, so as root the
// program runs as the user "nobody" (65534).
TEST(CliUnreadableFileTest, SaysTheFileCannotBeRead) {
  TempDir dir;
  const fs::path rules = dir.dir() / "locked.ini";
  WriteBytes(rules, Section(1, "tw-none", 1, 0));
  fs::permissions(rules, fs::perms::none);
  fs::permissions(dir.dir(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
  const fs::path out = dir.dir() / "out", err = dir.dir() / "err";
  const std::string cli = fs::path(Cli()).string();
  const pid_t pid = fork();
  if (pid == 0) {
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) _exit(126);
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(125);
    }
    execl(cli.c_str(), cli.c_str(), "show", rules.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 125) GTEST_SKIP() << "cannot run as the user nobody";
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadBytes(out), "");
  const std::vector<std::string> lines = Lines(ReadBytes(err));
  ASSERT_EQ(lines.size(), 1u) << ReadBytes(err);
  EXPECT_EQ(lines[0], "tarrowin-cli: " + rules.string() + ": cannot be read");
}

struct StopCase {
  const char* name;
  int signal;
  const char* cycle;
  const char* notice;
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class CliStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(CliStopTest, EndsWithStatusZero) {
  const StopCase& c = GetParam();
  TempDir dir;
  const fs::path rules = dir.dir() / "rules.ini";
  WriteBytes(rules, Section(1, "tw-none", 1, 0) + Section(2, "tw-none-either", 1, 0));
  CliProcess cli(dir.dir(), {"run", rules.string(), c.cycle});
  ASSERT_TRUE(cli.WaitForErr(c.notice)) << cli.Err();
  ASSERT_TRUE(cli.Signal(c.signal));
  EXPECT_EQ(cli.WaitForExit(), 0);
  EXPECT_EQ(cli.Out(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CliStopTest,
    ::testing::Values(StopCase{"InterruptNormal", SIGINT, "normal", "2 rules, a pass every 500 ms"},
                      StopCase{"TerminateLong", SIGTERM, "long", "2 rules, a pass every 2000 ms"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarrowin
