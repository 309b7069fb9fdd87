// Child processes on POSIX: posix_spawn with standard output and error on
// temporary files.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "settings/utf8.h"
#include "tests/tools/run_program.h"
#include "tests/tools/spawn_posix.h"

namespace tarrowin::testing_tools {
namespace {

std::string Utf8(const std::u16string& text) {
  std::string out(text.size() * 3 + 1, '\0');
  const int length = WideToUtf8(out.data(), text.c_str(), static_cast<int>(out.size()));
  out.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  return out;
}

std::string Slurp(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

}  // namespace

std::u16string ThisProgramFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().u16string();
}

ProgramResult RunProgram(const std::u16string& program, const std::vector<std::u16string>& args) {
  ProgramResult result;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) return result;
  std::vector<std::string> words{Utf8(program)};
  for (const std::u16string& arg : args) words.push_back(Utf8(arg));
  const pid_t pid = SpawnProgram(std::move(words), [&](posix_spawn_file_actions_t& actions) {
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
  });
  if (pid > 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Slurp(out);
    result.err = Slurp(err);
  }
  std::fclose(out);
  std::fclose(err);
  return result;
}

}  // namespace tarrowin::testing_tools
