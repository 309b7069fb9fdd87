// The real tarrowin.exe started with a settings file and a cycle word, as a
// user puts it into a start-up folder: its rules narrow the affinity of a
// running helper program (read back through Win32 and, under Wine, from the
// Linux side), and the window waits hidden in the tray.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/resource.h"
#include "tests/app/program_harness.h"

namespace tarrowin::testing {
namespace {

using Clock = std::chrono::steady_clock;

// The main window's tray callback message; its lParam is the mouse message.
constexpr UINT kTrayMessage = WM_APP + 1;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// A folder of its own under the temporary folder, with a blank (and, where
// the ANSI code page has them, Japanese characters) in its name, so the
// settings file's path must be quoted; or with the given start of its name.
class Folder {
 public:
  Folder() : Folder(GetACP() == 932 ? L"tarrowin 設定 " : L"tarrowin rules ") {}
  explicit Folder(const std::wstring& prefix) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++serial);
    EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
  }
  ~Folder() {
    for (const std::wstring& file : files_) {
      // A program that just ended may still hold its file for a moment.
      PollUntil(
          [&] { return DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
    }
    RemoveDirectoryW(path_.c_str());
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  // Full path of `name` in the folder; the file is deleted with the folder.
  std::wstring File(const std::wstring& name) {
    files_.push_back(path_ + L"\\" + name);
    return files_.back();
  }

 private:
  std::wstring path_;
  std::vector<std::wstring> files_;
};

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// The whole of a small file (also a Linux /proc file through Wine's Z:
// drive, whose size reads as 0); nothing when it cannot be opened.
std::optional<std::string> ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

// Names of the entries of a folder, "." and ".." left out.
std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

// The Linux affinity of every thread of the Linux process that runs the
// program `exeName` under Wine, read from /proc through Wine's Z: drive
// (Cpus_allowed is what sched_getaffinity reports). Empty when the process
// or /proc cannot be found, as on Windows itself.
std::vector<std::uint64_t> LinuxThreadMasks(const std::wstring& exeName) {
  const std::string name = Narrow(exeName);
  for (const std::wstring& pid : FolderEntries(L"Z:\\proc")) {
    if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
    const std::wstring process = L"Z:\\proc\\" + pid;
    const auto commandLine = ReadFileBytes(process + L"\\cmdline");
    if (!commandLine || commandLine->find(name) == std::string::npos) continue;
    std::vector<std::uint64_t> masks;
    for (const std::wstring& thread : FolderEntries(process + L"\\task")) {
      const auto status = ReadFileBytes(process + L"\\task\\" + thread + L"\\status");
      if (!status) continue;
      const auto at = status->find("Cpus_allowed:");
      if (at == std::string::npos) continue;
      std::string digits;
      for (std::size_t i = at + 13; i < status->size() && (*status)[i] != '\n'; ++i) {
        if (std::isxdigit(static_cast<unsigned char>((*status)[i]))) digits += (*status)[i];
      }
      // Only processors 0 to 63 matter here; the text may name many more.
      if (digits.size() > 16) digits.erase(0, digits.size() - 16);
      masks.push_back(std::stoull(digits, nullptr, 16));
    }
    return masks;
  }
  return {};
}

// A copy of the engine tests' idle helper under a name of its own, running
// until destroyed. Its standard input is a pipe, so it also ends when this
// test dies.
class Helper {
 public:
  explicit Helper(Folder& folder) {
    static int serial = 0;
    name_ = L"twlimited_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
            std::to_wstring(++serial) + L".exe";
    path_ = folder.File(name_);
    if (!CopyFileW(HelperPath().c_str(), path_.c_str(), TRUE)) {
      ADD_FAILURE() << "cannot copy the helper: " << GetLastError();
      return;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE childInput = nullptr;
    if (!CreatePipe(&childInput, &input_, &inherit, 0)) return;
    SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    std::wstring commandLine = L"\"" + path_ + L"\"";
    PROCESS_INFORMATION info{};
    // Detached: nothing of the helper may hold the test runner's output.
    const BOOL started = CreateProcessW(path_.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        DETACHED_PROCESS, nullptr, nullptr, &startup, &info);
    CloseHandle(childInput);
    EXPECT_TRUE(started) << "cannot start the helper: " << GetLastError();
    if (!started) return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
  ~Helper() {
    if (process_ != nullptr) {
      TerminateProcess(process_, 1);
      WaitForSingleObject(process_, 30000);
      CloseHandle(process_);
    }
    if (input_ != nullptr) CloseHandle(input_);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  bool started() const { return process_ != nullptr; }
  const std::wstring& name() const { return name_; }

  std::uint32_t Mask() const {
    DWORD_PTR process = 0, system = 0;
    GetProcessAffinityMask(process_, &process, &system);
    return static_cast<std::uint32_t>(process);
  }
  std::uint32_t SystemMask() const {
    DWORD_PTR process = 0, system = 0;
    GetProcessAffinityMask(process_, &process, &system);
    return static_cast<std::uint32_t>(system);
  }
  // Gives the helper every processor again.
  bool Widen() const { return SetProcessAffinityMask(process_, SystemMask()) != FALSE; }

 private:
  std::wstring name_, path_;
  HANDLE input_ = nullptr;
  HANDLE process_ = nullptr;
};

// A settings file with one rule: the helper on one core, engine's choice.
std::string OneCoreRule(const std::wstring& helperName) {
  return "[tarrowin1]\r\nProcessName=" + Narrow(helperName) +
         "\r\nCPUCount=1\r\nCPUMask=0x00000000\r\n\r\n";
}

// Rows of the rule list, read from outside.
int RuleRows(HWND mainWindow) {
  HWND list = GetDlgItem(FindWindowExW(mainWindow, nullptr, L"#32770", nullptr), IDC_RULE_LIST);
  return list != nullptr ? static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) : -1;
}

class ProgramRulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(helper_.started());
    if (std::popcount(helper_.SystemMask()) < 2) {
      GTEST_SKIP() << "a single processor leaves nothing to narrow";
    }
    ASSERT_TRUE(helper_.Widen());
    settings_ = folder_.File(L"rules.ini");
    ASSERT_TRUE(WriteFileBytes(settings_, OneCoreRule(helper_.name())));
  }

  // Waits until the helper runs on one processor; the milliseconds it took.
  long long WaitUntilNarrowed(Clock::time_point since) {
    EXPECT_TRUE(PollUntil([&] { return std::popcount(helper_.Mask()) == 1; }))
        << "the helper still runs on " << std::hex << helper_.Mask();
    return MillisecondsSince(since);
  }

  Folder folder_;
  Helper helper_{folder_};
  std::wstring settings_;
};

TEST_F(ProgramRulesTest, NormalCycleNarrowsTheHelperAndTheWindowWaitsInTheTray) {
  const auto start = Clock::now();
  Program program(ProgramPath(), L"\"" + settings_ + L"\" normal");
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);

  const long long first = WaitUntilNarrowed(start);
  const std::uint32_t narrowed = helper_.Mask();
  EXPECT_EQ(narrowed & ~helper_.SystemMask(), 0u);
  // Widened again, the helper is narrowed by the next pass of the cycle.
  ASSERT_TRUE(helper_.Widen());
  const auto widened = Clock::now();
  const long long again = WaitUntilNarrowed(widened);
  std::printf(
      "narrowed %lld ms after the program started, and %lld ms after being widened "
      "again (normal cycle: a pass every 500 ms)\n",
      first, again);

  // The Linux threads of the helper run where Win32 says it runs.
  const std::vector<std::uint64_t> linuxMasks = LinuxThreadMasks(helper_.name());
  if (linuxMasks.empty()) {
    std::printf("no Linux process found for the helper: Linux affinity not checked\n");
  } else {
    std::printf("Linux affinity of the helper's %zu threads: %llx (Win32: %x)\n", linuxMasks.size(),
                static_cast<unsigned long long>(linuxMasks.front()), helper_.Mask());
    for (std::uint64_t mask : linuxMasks) {
      EXPECT_EQ(std::popcount(mask), 1) << std::hex << mask;
      EXPECT_EQ(mask, linuxMasks.front());
      EXPECT_EQ(mask, helper_.Mask());
    }
  }

  EXPECT_EQ(RuleRows(window), 1);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_FALSE(IsWindowEnabled(window));
  // A left click on the tray icon brings it back, enabled.
  PostMessageW(window, kTrayMessage, 0, WM_LBUTTONDOWN);
  EXPECT_TRUE(PollUntil([&] { return IsWindowVisible(window) && IsWindowEnabled(window); }));
}

// With "stop", or a word that is not a cycle word (they are compared
// exactly), the rules are loaded but no pass runs: nothing is narrowed until
// a cycle is chosen.
class ProgramIdleRulesTest : public ProgramRulesTest,
                             public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(ProgramIdleRulesTest, RulesLoadButNothingIsNarrowed) {
  Program program(ProgramPath(), L"\"" + settings_ + L"\" " + GetParam());
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PollUntil([&] { return RuleRows(window) == 1; })) << "the rules were not loaded";
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindowEnabled(window));

  // Proving that nothing happens takes watching for a while: four normal
  // cycles.
  Sleep(2000);
  EXPECT_EQ(helper_.Mask(), helper_.SystemMask());

  // The loaded rule is live: choosing the normal cycle applies it.
  const auto chosen = Clock::now();
  PostMessageW(window, WM_COMMAND, ID_CYCLE_NORMAL, 0);
  const long long delay = WaitUntilNarrowed(chosen);
  std::printf("narrowed %lld ms after the normal cycle was chosen\n", delay);
}

INSTANTIATE_TEST_SUITE_P(Words, ProgramIdleRulesTest, ::testing::Values(L"stop", L"Normal"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) {
                           return Narrow(info.param) == "stop" ? std::string("Stop")
                                                               : std::string("CapitalNormal");
                         });

// A settings file in a folder whose name the ANSI code page cannot spell
// (Hangul, a character beyond U+FFFF) loads at start-up: the program reads
// its command line in UTF-16.
TEST(ProgramCommandLineTest, LoadsASettingsFileFromAFolderNoCodePageSpells) {
  Folder folder(L"tarrowin 설정 \U0001F600 ");
  const std::wstring settings = folder.File(L"rules.ini");
  ASSERT_TRUE(WriteFileBytes(settings, OneCoreRule(L"tarrowin-no-such-program.exe")));
  Program program(ProgramPath(), L"\"" + settings + L"\" stop");
  ASSERT_TRUE(program.started());
  HWND window = program.WaitForMainWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PollUntil([&] { return RuleRows(window) == 1; })) << "the rules were not loaded";
}

}  // namespace
}  // namespace tarrowin::testing
