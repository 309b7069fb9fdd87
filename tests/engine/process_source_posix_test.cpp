// The engine on Linux's real processes: a child process started under a
// unique name is narrowed by one pass, in every thread, and left alone by
// the next; threads that keep appearing or that widen themselves again
// end up inside the mask; paths that are not UTF-8 or do not fit the path
// buffer are never read, so never cut into another program's name.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "engine/process_source.h"
#include "tests/engine/child_process_posix.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing::AffinityOf;
using testing::ChildOptions;
using testing::ChildProcess;
using testing::ThreadsOf;
using testing::ThreadsOutside;

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

fs::path Helper(const char* name) { return testing::ThisProgramFolder() / "helpers" / name; }

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
  // This process's threads may all use what this thread may use, which is
  // also what the engine gives.
  EXPECT_EQ(process_mask, AffinityOf(0));
  EXPECT_EQ(system_mask, AffinityOf(0));
}

TEST(PosixProcessSourceTest, SystemMaskIsWhatThisProcessMayUse) {
  const std::uint32_t allowed = AffinityOf(0);
  if (CountBits(allowed) < 2) GTEST_SKIP() << "needs two processors to leave one out";
  const std::uint32_t narrowed = allowed & ~(1u << (31 - std::countl_zero(allowed)));
  std::uint32_t seen = 0;
  // On a thread of its own, as a container or cpuset would grant it.
  std::thread([&] {
    cpu_set_t set;
    CPU_ZERO(&set);
    for (int cpu = 0; cpu < 32; ++cpu) {
      if ((narrowed >> cpu) & 1u) CPU_SET(cpu, &set);
    }
    if (sched_setaffinity(0, sizeof(set), &set) != 0) return;
    const auto source = MakeSystemProcessSource();
    std::uint32_t process_mask = 0;
    if (source->TakeSnapshot() && source->OpenAffinity(getpid()) &&
        source->ReadMasks(&process_mask, &seen)) {
      // The process's mask is the union of its threads: still all of them.
      EXPECT_EQ(process_mask, allowed);
    }
    source->CloseAffinity();
    source->CloseSnapshot();
  }).join();
  EXPECT_EQ(seen, narrowed);
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

class PosixEnforcementTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PosixEnforcementTest, OnePassNarrowsEveryThreadAndTheNextLeavesThem) {
  const RuleCase& c = GetParam();
  ChildProcess child({.helper = Helper("engine_affinity_child")});
  ASSERT_TRUE(child.WaitUntilReady());
  const std::uint32_t before = AffinityOf(child.pid());
  if (CountBits(before) < 2 || before != AffinityOf(0)) {
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

// --- Threads that the first narrowing does not reach ---

class PosixThreadsTest : public ::testing::Test {
 protected:
  // The engine with one rule for `child` and the processor it narrows to;
  // false when the child may not use at least two processors.
  bool Prepare(const ChildProcess& child) {
    const std::uint32_t before = AffinityOf(child.pid());
    if (CountBits(before) < 2 || before != AffinityOf(0)) return false;
    target_ = 1u << (31 - std::countl_zero(before));
    engine_.SetRules(std::vector<LimitRule>{{Utf16(child.name()), 1, target_}});
    return true;
  }

  // Passes until no thread of `pid` is outside the target (each pass sees a
  // process with a thread outside as widened), within the patience.
  bool PassUntilInside(pid_t pid) {
    return testing::PollUntil([&] {
      engine_.EnforcePass();
      return ThreadsOutside(pid, target_) == 0;
    });
  }

  CCPULimitThread engine_;
  std::uint32_t target_ = 0;
};

TEST_F(PosixThreadsTest, ThreadsStartedInALoopEndInsideTheMask) {
  // Eight chains of threads, each starting its successor and ending every
  // 200 microseconds: threads appear while the pass narrows the process.
  ChildProcess child({.helper = Helper("engine_thread_child"), .args = {"8", "200"}});
  ASSERT_TRUE(child.WaitUntilReady(4));
  if (!Prepare(child)) GTEST_SKIP() << "the child may not use all of at least two processors";
  EXPECT_TRUE(PassUntilInside(child.pid()));
  // New threads inherit the mask: with no further pass, none leaves it.
  for (int look = 0; look < 50; ++look) {
    ASSERT_EQ(ThreadsOutside(child.pid(), target_), 0) << look;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

TEST_F(PosixThreadsTest, AThreadThatWidensItselfIsNarrowedByTheNextPass) {
  ChildProcess child({.helper = Helper("engine_thread_child"), .args = {"0"}});
  ASSERT_TRUE(child.WaitUntilReady(2));
  if (!Prepare(child)) GTEST_SKIP() << "the child may not use all of at least two processors";
  engine_.EnforcePass();
  ASSERT_EQ(ThreadsOutside(child.pid(), target_), 0);
  // The thread that reads commands, not the main one, widens itself again.
  ASSERT_TRUE(child.Send("w"));
  ASSERT_TRUE(testing::PollUntil([&] { return ThreadsOutside(child.pid(), target_) == 1; }));
  engine_.EnforcePass();
  EXPECT_EQ(ThreadsOutside(child.pid(), target_), 0);
}

// --- Paths that are never read ---

struct PathCase {
  const char* name;
  ChildOptions options;
  bool readable;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class PosixPathTest : public ::testing::TestWithParam<PathCase> {};

// A rule names the child's file name without its last byte, which is where
// a path cut at a bad byte or at the end of the buffer would end; another
// names the whole file name as far as it can be written.
TEST_P(PosixPathTest, PathIsReadWholeOrNotAtAll) {
  const PathCase& c = GetParam();
  ChildOptions options = c.options;
  options.helper = Helper("engine_affinity_child");
  ChildProcess child(options);
  ASSERT_TRUE(child.WaitUntilReady());
  const std::uint32_t before = AffinityOf(child.pid());
  if (CountBits(before) < 2 || before != AffinityOf(0)) {
    GTEST_SKIP() << "the child may not use all of at least two processors";
  }
  const std::uint32_t highest = 1u << (31 - std::countl_zero(before));
  const std::uint32_t lowest = before & (0u - before);

  const auto source = MakeSystemProcessSource();
  char16_t path[CCPULimitThread::kPathCapacity];
  const std::size_t length = source->ReadPath(child.pid(), path, std::size(path));
  const std::string whole = child.path().string();
  if (c.readable) {
    EXPECT_EQ(std::u16string(path, length), Utf16(whole));
  } else {
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(path[0], 0);
  }

  const std::string name = child.name();
  CCPULimitThread engine;
  engine.SetRules(std::vector<LimitRule>{{Utf16(name.substr(0, name.size() - 1)), 1, lowest},
                                         {Utf16(name), 1, highest}});
  engine.EnforcePass();
  EXPECT_EQ(AffinityOf(child.pid()), c.readable ? highest : before);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PosixPathTest,
    ::testing::Values(PathCase{"NotUtf8", {.suffix = "\xFF"}, false},
                      PathCase{"CutUtf8Sequence", {.suffix = "\xE3\x81"}, false},
                      PathCase{"SurrogateInUtf8", {.suffix = "\xED\xA0\x80"}, false},
                      PathCase{"FillsTheBuffer",
                               {.suffix = "x", .path_length = CCPULimitThread::kPathCapacity - 1},
                               true},
                      PathCase{"OneByteTooLong",
                               {.suffix = "x", .path_length = CCPULimitThread::kPathCapacity},
                               false},
                      PathCase{"FarTooLong", {.suffix = "x", .path_length = 4000}, false}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarrowin
