// The engine on real Windows processes: a helper child started under a
// unique name is narrowed by one pass and left alone by the next, and
// hundreds of passes leave no handle behind.
#include <windows.h>
// windows.h first: psapi.h relies on its types.
#include <gtest/gtest.h>
#include <psapi.h>

#include <string>
#include <vector>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "engine/process_source.h"
#include "engine/win32_handle.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

std::u16string Utf16(const std::wstring& text) { return {text.begin(), text.end()}; }

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length);
}

std::wstring ModulePath(HANDLE process) {
  wchar_t path[2048];
  const DWORD length = GetModuleFileNameExW(process, nullptr, path, 2048);
  return std::wstring(path, length);
}

struct Masks {
  std::uint32_t process = 0, system = 0;
};

Masks MasksOf(HANDLE process) {
  DWORD_PTR p = 0, s = 0;
  if (!GetProcessAffinityMask(process, &p, &s)) return {};
  return {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(s)};
}

// The process's handle count as the system reports it. Wine answers 0.
DWORD ReportedHandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

// The process's open handles, counted one by one: handle values are
// multiples of 4, and GetHandleInformation fails for a value not in use.
int LiveHandleCount() {
  int count = 0;
  for (std::uintptr_t value = 4; value < 0x20000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// The helper program copied under a name of its own and running, with its
// standard input on a pipe (the child ends when the pipe closes, also if
// this test dies). Terminated and deleted on destruction.
class ChildProcess {
 public:
  ChildProcess() {
    wchar_t temp[MAX_PATH];
    if (GetTempPathW(MAX_PATH, temp) == 0) return;
    static int serial = 0;
    const std::wstring unique = std::to_wstring(GetCurrentProcessId()) + L"_" +
                                std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++serial);
    dir_ = std::wstring(temp) + L"tarrowin-engine-" + unique;
    if (!CreateDirectoryW(dir_.c_str(), nullptr)) return;
    name_ = L"twchild_" + unique + L".exe";
    path_ = dir_ + L"\\" + name_;
    const std::wstring helper = FolderOf(ThisProgram()) + L"\\helpers\\engine_affinity_child.exe";
    if (!CopyFileW(helper.c_str(), path_.c_str(), TRUE)) return;

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return;
    const UniqueHandle child_input(read_end);
    input_.reset(write_end);
    SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read_end;
    // No console and none of this program's output handles: nothing of the
    // child (or of a console host that Wine would start for it) may keep the
    // test runner's output pipe open.
    std::wstring command = L"\"" + path_ + L"\"";
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path_.c_str(), command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
  }

  ~ChildProcess() {
    if (process_) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 30000);
    }
    process_.reset();
    input_.reset();
    if (!path_.empty()) DeleteFileW(path_.c_str());
    if (!dir_.empty()) RemoveDirectoryW(dir_.c_str());
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The process runs the copied program: its path can be read as a pass
  // reads it.
  bool WaitUntilReady() {
    if (!process_) return false;
    return testing::PollUntil([&] {
      const UniqueHandle query(OpenProcess(0x410, FALSE, id_));
      return query && lstrcmpiW(ModulePath(query.get()).c_str(), path_.c_str()) == 0;
    });
  }

  HANDLE process() const { return process_.get(); }
  const std::wstring& name() const { return name_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring dir_, name_, path_;
  UniqueHandle input_;
  UniqueHandle process_;
  DWORD id_ = 0;
};

TEST(Win32ProcessSourceTest, ListsThisProcessWithItsPathAndMasks) {
  const auto source = MakeSystemProcessSource();
  ASSERT_EQ(source->TakeSnapshot(), 1);
  bool found = false;
  ProcessId id = 0;
  while (source->NextProcess(&id)) found = found || id == GetCurrentProcessId();
  source->CloseSnapshot();
  EXPECT_TRUE(found);

  char16_t path[CCPULimitThread::kPathCapacity];
  const std::size_t length = source->ReadPath(GetCurrentProcessId(), path, std::size(path));
  EXPECT_EQ(std::u16string(path, length), Utf16(ThisProgram()));

  ASSERT_EQ(source->OpenAffinity(GetCurrentProcessId()), 1);
  Masks read;
  ASSERT_EQ(source->ReadMasks(&read.process, &read.system), 1);
  source->CloseAffinity();
  const Masks expected = MasksOf(GetCurrentProcess());
  EXPECT_EQ(read.process, expected.process);
  EXPECT_EQ(read.system, expected.system);
  EXPECT_TRUE(source->SameName(u"C:\\Tools\\TOOL.exe", u"c:\\tools\\tool.EXE"));
  EXPECT_FALSE(source->SameName(u"tool.exe", u"tool.ex"));
}

TEST(Win32ProcessSourceTest, PathsAreCutToTheBuffer) {
  const auto source = MakeSystemProcessSource();
  const std::u16string whole = Utf16(ThisProgram());
  char16_t path[8];
  EXPECT_EQ(source->ReadPath(GetCurrentProcessId(), path, std::size(path)), 7u);
  EXPECT_EQ(std::u16string(path), whole.substr(0, 7));
}

class Win32EnforcementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(child_.WaitUntilReady());
    const Masks masks = MasksOf(child_.process());
    if (CountBits(masks.system) < 2) GTEST_SKIP() << "a single processor leaves nothing to narrow";
    ASSERT_TRUE(SetProcessAffinityMask(child_.process(), masks.system));
    system_ = masks.system;
  }

  ChildProcess child_;
  std::uint32_t system_ = 0;
};

TEST_F(Win32EnforcementTest, OnePassNarrowsTheChildAndTheNextLeavesIt) {
  CCPULimitThread engine;
  engine.SetRules(std::vector<LimitRule>{{Utf16(child_.name()), 1, 0}});
  engine.EnforcePass();
  const Masks after = MasksOf(child_.process());
  EXPECT_EQ(CountBits(after.process), 1);
  EXPECT_EQ(after.process & ~system_, 0u);
  engine.EnforcePass();
  EXPECT_EQ(MasksOf(child_.process()).process, after.process);
}

TEST_F(Win32EnforcementTest, FullPathRuleAppliesItsExplicitMask) {
  const std::uint32_t highest = 1u << (31 - std::countl_zero(system_));
  CCPULimitThread engine;
  engine.SetRules(std::vector<LimitRule>{{Utf16(child_.path()), 1, highest}});
  engine.EnforcePass();
  EXPECT_EQ(MasksOf(child_.process()).process, highest);
}

TEST_F(Win32EnforcementTest, PassesLeaveNoHandleOpen) {
  CCPULimitThread engine;
  engine.SetRules(std::vector<LimitRule>{{Utf16(child_.name()), 1, 0}});
  engine.EnforcePass();  // first use of every call the pass makes
  const DWORD reported = ReportedHandleCount();
  const int live = LiveHandleCount();
  {
    // The live count sees every handle.
    const UniqueHandle probe(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_EQ(LiveHandleCount(), live + 1);
  }
  for (int pass = 0; pass < 200; ++pass) {
    // Every other pass finds the child widened again and narrows it.
    if (pass % 2 == 0) SetProcessAffinityMask(child_.process(), system_);
    engine.EnforcePass();
    ASSERT_EQ(CountBits(MasksOf(child_.process()).process), 1) << pass;
  }
  EXPECT_EQ(ReportedHandleCount(), reported);
  EXPECT_EQ(LiveHandleCount(), live);
}

}  // namespace
}  // namespace tarrowin
