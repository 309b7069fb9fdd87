// The engine on real Windows processes: the snapshot lists each process
// with its creation time, a helper child started under a unique name is
// narrowed by one pass and left alone by the next, hundreds of passes leave
// no handle behind, and paths are read also where only the limited query
// right is granted.
#include <windows.h>
// windows.h first: psapi.h relies on its types.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "engine/process_path_win32.h"
#include "engine/process_source.h"
#include "engine/win32_handle.h"
#include "tests/engine/child_process_win32.h"
#include "tests/engine/test_sync.h"

namespace tarrowin {
namespace {

using testing::Masks;
using testing::MasksOf;

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

// The helper program copied under a name of its own into a folder of its
// own, and running.
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
    child_.emplace(FolderOf(ThisProgram()) + L"\\helpers\\engine_affinity_child.exe", path_);
  }

  ~ChildProcess() {
    child_.reset();
    if (!dir_.empty()) RemoveDirectoryW(dir_.c_str());
  }

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The process runs the copied program: its path can be read as a pass
  // reads it.
  bool WaitUntilReady() {
    if (process() == nullptr) return false;
    return testing::PollUntil([&] {
      const UniqueHandle query(OpenProcess(0x410, FALSE, id()));
      return query && lstrcmpiW(ModulePath(query.get()).c_str(), path().c_str()) == 0;
    });
  }

  HANDLE process() const { return child_ ? child_->process() : nullptr; }
  DWORD id() const { return child_ ? child_->id() : 0; }
  const std::wstring& name() const { return name_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring dir_, name_, path_;
  std::optional<testing::HelperProcess> child_;
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

std::uint64_t CreationTimeOf(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// Every process of one snapshot with the start time it was listed with.
std::map<ProcessId, std::uint64_t> ListedStartTimes(IProcessSource& source) {
  std::map<ProcessId, std::uint64_t> listed;
  if (!source.TakeSnapshot()) return listed;
  ProcessId id = 0;
  while (source.NextProcess(&id)) listed[id] = source.StartTime();
  source.CloseSnapshot();
  return listed;
}

TEST(Win32ProcessSourceTest, ListsEveryProcessWithItsCreationTime) {
  ChildProcess child;
  ASSERT_TRUE(child.WaitUntilReady());
  const auto source = MakeSystemProcessSource();
  for (int snapshot = 0; snapshot < 3; ++snapshot) {
    const auto listed = ListedStartTimes(*source);
    ASSERT_TRUE(listed.contains(GetCurrentProcessId())) << snapshot;
    ASSERT_TRUE(listed.contains(child.id())) << snapshot;
    EXPECT_EQ(listed.at(GetCurrentProcessId()), CreationTimeOf(GetCurrentProcess()));
    EXPECT_EQ(listed.at(child.id()), CreationTimeOf(child.process()));
    EXPECT_NE(listed.at(child.id()), 0u);
  }
}

TEST(Win32ProcessSourceTest, PathsAreCutToTheBuffer) {
  const auto source = MakeSystemProcessSource();
  const std::u16string whole = Utf16(ThisProgram());
  char16_t path[8];
  EXPECT_EQ(source->ReadPath(GetCurrentProcessId(), path, std::size(path)), 7u);
  EXPECT_EQ(std::u16string(path), whole.substr(0, 7));
}

// Scripted path calls: which rights each open asked for, every handle it
// gave out, and a distinct answer from each of the two reading calls, so
// the result tells which one answered.
struct PathScript {
  bool grantLimited;     // the 0x1000 open succeeds
  DWORD queryError;      // QueryFullProcessImageNameW fails with it (0: answers)
  bool grantModuleRead;  // the 0x410 open succeeds
  bool moduleFails;      // GetModuleFileNameExW answers 0
};

struct FakePathCalls {
  explicit FakePathCalls(const PathScript& script) : script(script) {}

  PathScript script;
  std::vector<DWORD> opened;  // access rights asked for, in order
  std::vector<HANDLE> handles;

  static inline FakePathCalls* current = nullptr;

  static HANDLE WINAPI Open(DWORD access, BOOL, DWORD) {
    current->opened.push_back(access);
    const bool granted =
        access == 0x1000 ? current->script.grantLimited : current->script.grantModuleRead;
    if (!granted) {
      SetLastError(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    current->handles.push_back(handle);
    return handle;
  }
  static BOOL WINAPI Query(HANDLE, DWORD flags, LPWSTR path, PDWORD size) {
    EXPECT_EQ(flags, 0u) << "the Win32 path form";
    return Answer(L"C:\\Query\\limited.exe", current->script.queryError, path, size);
  }
  static DWORD WINAPI Module(HANDLE, HMODULE module, LPWSTR path, DWORD size) {
    EXPECT_EQ(module, nullptr) << "the main module";
    if (current->script.moduleFails) return 0;
    // Cut to the buffer, without a terminator when it is full.
    const std::wstring whole = L"C:\\Module\\read.exe";
    const DWORD length = static_cast<DWORD>(std::min<std::size_t>(whole.size(), size));
    whole.copy(path, length);
    if (length < size) path[length] = 0;
    return length;
  }

  static BOOL Answer(const std::wstring& whole, DWORD error, LPWSTR path, PDWORD size) {
    if (error == 0 && whole.size() >= *size) error = ERROR_INSUFFICIENT_BUFFER;
    if (error != 0) {
      SetLastError(error);
      return FALSE;
    }
    whole.copy(path, whole.size());
    path[whole.size()] = 0;
    *size = static_cast<DWORD>(whole.size());
    return TRUE;
  }

  ProcessPathCalls calls() {
    current = this;
    return {Open, Query, Module};
  }

  // Every handle given out has been closed again.
  bool AllClosed() const {
    for (HANDLE handle : handles) {
      DWORD flags = 0;
      if (GetHandleInformation(handle, &flags)) return false;
    }
    return true;
  }
};

struct PathCase {
  const char* name;
  PathScript script;
  std::size_t capacity;
  std::wstring path;
  std::vector<DWORD> opened;
};

class ProcessPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(ProcessPathTest, AsksWithTheLimitedRightFirstAndFallsBack) {
  const PathCase& c = GetParam();
  FakePathCalls fake(c.script);
  const ProcessPathCalls calls = fake.calls();
  std::vector<char16_t> path(c.capacity, u'#');
  const std::size_t length = ReadProcessPath(calls, 1234, path.data(), c.capacity);
  EXPECT_EQ(std::u16string(path.data(), length), Utf16(c.path));
  EXPECT_EQ(path[length], 0);
  EXPECT_EQ(fake.opened, c.opened);
  EXPECT_TRUE(fake.AllClosed());
}

// Scripts: limited right granted, query error, module-read right granted,
// module name fails.
INSTANTIATE_TEST_SUITE_P(
    Calls, ProcessPathTest,
    ::testing::Values(
        PathCase{"LimitedRightAnswers",
                 {true, 0, true, false},
                 2048,
                 L"C:\\Query\\limited.exe",
                 {0x1000}},
        // A protected process: only the limited right is granted.
        PathCase{"OnlyTheLimitedRight",
                 {true, 0, false, true},
                 2048,
                 L"C:\\Query\\limited.exe",
                 {0x1000}},
        PathCase{"LimitedRightDenied",
                 {false, 0, true, false},
                 2048,
                 L"C:\\Module\\read.exe",
                 {0x1000, 0x410}},
        PathCase{"QueryFails",
                 {true, ERROR_PARTIAL_COPY, true, false},
                 2048,
                 L"C:\\Module\\read.exe",
                 {0x1000, 0x410}},
        // The query does not cut a long path; the module name does.
        PathCase{"QueryPathTooLong", {true, 0, true, false}, 8, L"C:\\Modu", {0x1000, 0x410}},
        PathCase{
            "NeitherAnswers", {true, ERROR_ACCESS_DENIED, true, true}, 2048, L"", {0x1000, 0x410}},
        PathCase{"NothingGranted", {false, 0, false, false}, 2048, L"", {0x1000, 0x410}}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

// PROCESS_SET_LIMITED_INFORMATION, which this SDK does not name.
constexpr DWORD kSetLimitedInformation = 0x2000;

// Lets the test reach process `process` only with `rights`, as a protected
// or elevated process lets other programs reach it.
void GrantOnly(HANDLE process, DWORD rights) {
  EXPLICIT_ACCESSW allow{};
  allow.grfAccessPermissions = rights | SYNCHRONIZE | PROCESS_TERMINATE;
  allow.grfAccessMode = SET_ACCESS;
  allow.grfInheritance = NO_INHERITANCE;
  allow.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
  allow.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  allow.Trustee.ptstrName = const_cast<wchar_t*>(L"EVERYONE");
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclW(1, &allow, nullptr, &acl), static_cast<DWORD>(ERROR_SUCCESS));
  const DWORD set = SetSecurityInfo(process, SE_KERNEL_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  ASSERT_EQ(set, static_cast<DWORD>(ERROR_SUCCESS));
}

class Win32ChildPathTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(child_.WaitUntilReady()); }
  ChildProcess child_;
};

DWORD WINAPI NoModuleFileName(HANDLE, HMODULE, LPWSTR, DWORD) { return 0; }

TEST_F(Win32ChildPathTest, TheImageNameCallReadsAChildsPath) {
  // The module name fails: only the image name call can answer.
  const ProcessPathCalls calls{OpenProcess, QueryFullProcessImageNameW, NoModuleFileName};
  char16_t path[CCPULimitThread::kPathCapacity];
  const std::size_t length = ReadProcessPath(calls, child_.id(), path, std::size(path));
  EXPECT_EQ(std::u16string(path, length), Utf16(child_.path()));
}

// The query and affinity rights (with the limited ones that they imply),
// but not the memory-read right that the module name needs.
TEST_F(Win32ChildPathTest, AChildDenyingTheModuleReadIsReadAndNarrowed) {
  GrantOnly(child_.process(), PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION |
                                  PROCESS_SET_INFORMATION | kSetLimitedInformation);
  if (const UniqueHandle granted{OpenProcess(0x410, FALSE, child_.id())}) {
    GTEST_SKIP() << "the system grants the module-read rights regardless";
  }
  const auto source = MakeSystemProcessSource();
  char16_t path[CCPULimitThread::kPathCapacity];
  const std::size_t length = source->ReadPath(child_.id(), path, std::size(path));
  EXPECT_EQ(std::u16string(path, length), Utf16(child_.path()));

  const std::uint32_t system = MasksOf(child_.process()).system;
  if (CountBits(system) < 2) GTEST_SKIP() << "a single processor leaves nothing to narrow";
  ASSERT_TRUE(SetProcessAffinityMask(child_.process(), system));
  CCPULimitThread engine;
  engine.SetRules(std::vector<LimitRule>{{Utf16(child_.name()), 1, 0}});
  engine.EnforcePass();
  EXPECT_EQ(CountBits(MasksOf(child_.process()).process), 1);
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
