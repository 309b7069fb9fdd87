// tarrowin-cli as a separate program, on what it is given: --help and
// --version; settings files that cannot be used and command lines of the
// wrong shape, each ending with status 1 or 2 and one line on standard
// error; a settings file found in a ".pcf" archive of its folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/temp_dir.h"
#include "tests/tools/cli/cli_test_support.h"
#include "tests/tools/run_program.h"
#include "tools/pcf/pack_writer.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing_cli::Cli;
using testing_cli::Lines;
using testing_files::TempDir;
using testing_files::WriteBytes;
using testing_tools::ProgramResult;

constexpr char kOneRule[] = "[tarrowin1]\r\nProcessName=tw-none.exe\r\nCPUCount=1\r\nCPUMask=0\r\n";

class CliInputTest : public testing::Test {
 protected:
  CliInputTest() { WriteBytes(Rules(), kOneRule); }

  fs::path Rules() const { return dir_.dir() / "rules.ini"; }
  std::u16string RulesArg() const { return Rules().u16string(); }

  ProgramResult Run(const std::vector<std::u16string>& args) {
    return testing_tools::RunProgram(Cli(), args);
  }

  TempDir dir_;
};

// A failure: `status`, nothing on standard output, exactly one line on
// standard error that says each of `words`.
void ExpectFailure(const ProgramResult& r, int status, const std::vector<std::string>& words) {
  EXPECT_EQ(r.status, status);
  EXPECT_EQ(r.out, "");
  const std::vector<std::string> lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 1u) << r.err;
  for (const std::string& word : words) EXPECT_NE(lines[0].find(word), std::string::npos) << r.err;
}

TEST_F(CliInputTest, HelpAndVersion) {
  const ProgramResult help = Run({u"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* word :
       {"show [--all] RULES", "once RULES", "run RULES [normal|long]", "SIGHUP"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  const ProgramResult version = Run({u"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(Lines(version.out), std::vector<std::string>{"tarrowin-cli " TARROWIN_VERSION});
}

TEST_F(CliInputTest, SettingsFilesThatCannotBeUsed) {
  WriteBytes(dir_.dir() / "empty.ini", "");
  // Sections without all three keys hold no rule.
  WriteBytes(dir_.dir() / "partial.ini", "[tarrowin1]\r\nProcessName=a.exe\r\nCPUCount=1\r\n");
  fs::create_directory(dir_.dir() / "folder.ini");
  struct Case {
    const char* file;
    const char* fault;
  };
  const Case cases[] = {
      {"missing.ini", "not found"},
      {"empty.ini", "holds no rules"},
      {"partial.ini", "holds no rules"},
      {"folder.ini", "is a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::u16string path = (dir_.dir() / c.file).u16string();
    for (const char16_t* command : {u"show", u"once", u"run"}) {
      ExpectFailure(Run({command, path}), 1, {c.file, c.fault});
    }
  }
}

TEST_F(CliInputTest, WrongArguments) {
  struct Case {
    std::vector<std::u16string> args;
    int status;
    std::vector<std::string> words;
  };
  const std::u16string rules = RulesArg();
  const Case cases[] = {
      // Bad values: status 1, naming the value.
      {{u"run", rules, u"fast"}, 1, {"fast", "not a check cycle"}},
      {{u"run", rules, u"Normal"}, 1, {"Normal", "not a check cycle"}},
      {{u"run", rules, u"stop"}, 1, {"stop", "not a check cycle"}},
      // The wrong shape: status 2 and the usage.
      {{}, 2, {"no command", "usage:"}},
      {{u"list", rules}, 2, {"unknown command \"list\"", "usage:"}},
      {{u"show"}, 2, {"no settings file", "usage:"}},
      {{u"once"}, 2, {"no settings file", "usage:"}},
      {{u"run"}, 2, {"no settings file", "usage:"}},
      {{u"show", rules, rules}, 2, {"too many arguments", "usage:"}},
      {{u"once", rules, u"normal"}, 2, {"too many arguments", "usage:"}},
      {{u"run", rules, u"normal", u"x"}, 2, {"too many arguments", "usage:"}},
      {{u"show", u"--every", rules}, 2, {"unknown option \"--every\"", "usage:"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args.size()) + " arguments, status " +
                 std::to_string(c.status));
    ExpectFailure(Run(c.args), c.status, c.words);
  }
}

TEST_F(CliInputTest, SettingsFileInAnArchiveOfItsFolder) {
  // conf/rules.ini is not on disk; conf.pcf beside the folder holds it.
  const std::string name = "tw-from-archive.exe";
  const std::string text = "[tarrowin1]\r\nProcessName=" + name + "\r\nCPUCount=1\r\nCPUMask=0\r\n";
  PackImage image;
  std::string error;
  ASSERT_TRUE(BuildPackImage({{"rules.ini", {text.begin(), text.end()}, 0}}, {}, &image, &error))
      << error;
  ASSERT_TRUE(WritePackImage(image, dir_.dir() / "conf.pcf", &error)) << error;
  const ProgramResult r = Run({u"show", (dir_.dir() / "conf" / "rules.ini").u16string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"PID\tPATH\tMASK\tSYSTEM\tRULE\tNAME\tNEXT"});
}

}  // namespace
}  // namespace tarrowin
