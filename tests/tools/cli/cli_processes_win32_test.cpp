// tarrowin-cli.exe on real Windows processes: show lists a child with what
// the next pass would do and changes nothing; once narrows it and prints
// the change, and a second once finds nothing to do; run narrows a child
// started after it. (How run ends on Ctrl+C is left to the Linux tests:
// Wine does not pass console control events to another process.)
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/win32_handle.h"
#include "tests/engine/child_process_win32.h"
#include "tests/engine/test_sync.h"
#include "tests/files/temp_dir.h"
#include "tests/tools/cli/cli_test_support.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing::Masks;
using testing::MasksOf;
using testing_cli::Cli;
using testing_cli::Hex8;
using testing_cli::Lines;
using testing_files::TempDir;
using testing_files::WriteBytes;
using testing_tools::ProgramResult;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The engine's helper program copied under a name of its own into `folder`,
// running without a console.
class ChildProcess {
 public:
  explicit ChildProcess(const fs::path& folder, std::wstring name = UniqueName())
      : name_(std::move(name)), child_(Helper().wstring(), (folder / name_).wstring()) {}

  static std::wstring UniqueName() {
    static int serial = 0;
    return L"twcli_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(++serial) + L".exe";
  }

  HANDLE process() const { return child_.process(); }
  DWORD id() const { return child_.id(); }
  std::string name() const { return Utf8(name_); }
  fs::path path() const { return child_.path(); }

 private:
  static fs::path Helper() {
    return fs::path(testing_tools::ThisProgramFolder()) / TARROWIN_HELPERS_RELATIVE /
           "engine_affinity_child.exe";
  }

  std::wstring name_;
  testing::HelperProcess child_;
};

// tarrowin-cli.exe started in the background without a console, its output
// going to files. Terminated on destruction.
class RunningCli {
 public:
  RunningCli(const fs::path& folder, const std::vector<std::wstring>& args)
      : out_(folder / "cli.out"), err_(folder / "cli.err") {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const auto create = [&](const fs::path& path) {
      return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, 0, nullptr);
    };
    const UniqueHandle out(create(out_));
    const UniqueHandle err(create(err_));
    if (!out || !err) return;
    const std::wstring program = fs::path(Cli()).wstring();
    std::wstring command = L"\"" + program + L"\"";
    for (const std::wstring& arg : args) command += L" \"" + arg + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
  }

  ~RunningCli() {
    if (process_) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 30000);
    }
  }

  RunningCli(const RunningCli&) = delete;
  RunningCli& operator=(const RunningCli&) = delete;

  bool started() const { return static_cast<bool>(process_); }
  std::string Out() const { return testing_files::ReadBytes(out_); }
  std::string Err() const { return testing_files::ReadBytes(err_); }

 private:
  fs::path out_, err_;
  UniqueHandle process_;
};

// Settings files as Windows editors write them.
std::string Section(int number, const std::string& name, int count, std::uint32_t mask) {
  return testing_cli::Section(number, name, count, mask, "\r\n");
}

// The lines of `out` about process `id`.
std::vector<std::string> LinesOf(const std::string& out, DWORD id) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(out)) {
    if (line.starts_with(std::to_string(id) + "\t")) found.push_back(line);
  }
  return found;
}

class CliWin32ProcessesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(child_.process(), nullptr);
    // Running the copied program: its path can be read as a pass reads it.
    WriteBytes(Rules(), Section(1, "twcli_none.exe", 1, 0));
    ASSERT_TRUE(testing::PollUntil([&] {
      const ProgramResult r = Run({u"show", u"--all", Rules().u16string()});
      return !LinesOf(r.out, child_.id()).empty();
    })) << "the child is not listed";
    const Masks masks = MasksOf(child_.process());
    if (std::popcount(masks.system) < 2) GTEST_SKIP() << "a single processor leaves nothing to do";
    ASSERT_TRUE(SetProcessAffinityMask(child_.process(), masks.system));
    system_ = masks.system;
    highest_ = 1u << (31 - std::countl_zero(system_));
  }

  fs::path Rules() const { return dir_.dir() / "rules.ini"; }
  ProgramResult Run(const std::vector<std::u16string>& args) {
    return testing_tools::RunProgram(Cli(), args);
  }
  std::string Head() const {
    return std::to_string(child_.id()) + "\t" + Utf8(child_.path()) + "\t";
  }

  TempDir dir_;
  ChildProcess child_{dir_.dir()};
  std::uint32_t system_ = 0, highest_ = 0;
};

TEST_F(CliWin32ProcessesTest, ShowListsTheChildAndChangesNothing) {
  WriteBytes(Rules(),
             Section(1, child_.name(), 1, 0) + Section(2, Utf8(child_.path()), 1, highest_));
  const ProgramResult r = Run({u"show", Rules().u16string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out).at(0), "PID\tPATH\tMASK\tSYSTEM\tRULE\tNAME\tNEXT");
  const std::string masks = Hex8(system_) + "\t" + Hex8(system_) + "\t";
  EXPECT_EQ(LinesOf(r.out, child_.id()),
            (std::vector<std::string>{
                Head() + masks + "1\t" + child_.name() + "\trandom 1 of " + Hex8(system_),
                Head() + masks + "2\t" + Utf8(child_.path()) + "\tset " + Hex8(highest_)}));
  EXPECT_EQ(MasksOf(child_.process()).process, system_);
}

TEST_F(CliWin32ProcessesTest, OnceNarrowsTheChildAndPrintsTheChange) {
  WriteBytes(Rules(), Section(1, Utf8(child_.path()), 1, highest_));
  const ProgramResult first = Run({u"once", Rules().u16string()});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err, "");
  EXPECT_EQ(Lines(first.out),
            std::vector<std::string>{Head() + Hex8(system_) + "\t" + Hex8(highest_)});
  EXPECT_EQ(MasksOf(child_.process()).process, highest_);
  const ProgramResult second = Run({u"once", Rules().u16string()});
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "");
}

TEST_F(CliWin32ProcessesTest, RunNarrowsAChildStartedAfterIt) {
  const std::wstring name = ChildProcess::UniqueName();
  WriteBytes(Rules(), Section(1, Utf8(name), 1, highest_));
  RunningCli cli(dir_.dir(), {L"run", Rules().wstring()});
  ASSERT_TRUE(cli.started());
  ASSERT_TRUE(testing::PollUntil([&] {
    return cli.Err().find("a pass every 500 ms") != std::string::npos;
  })) << cli.Err();
  ChildProcess later(dir_.dir(), name);
  ASSERT_NE(later.process(), nullptr);
  // A child starts with the mask of its parent, which the fixture did not
  // narrow: all processors.
  const std::string line = std::to_string(later.id()) + "\t" + Utf8(later.path()) + "\t" +
                           Hex8(system_) + "\t" + Hex8(highest_);
  EXPECT_TRUE(testing::PollUntil([&] {
    const std::vector<std::string> lines = Lines(cli.Out());
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  })) << cli.Out();
  EXPECT_EQ(MasksOf(later.process()).process, highest_);
}

}  // namespace
}  // namespace tarrowin
