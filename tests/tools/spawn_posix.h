// Starting a program of the build on POSIX for the tools' tests: posix_spawn
// with standard input empty and the output redirections a test asks for.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace tarrowin::testing_tools {

// Starts `words` (the program's path first) with standard input on
// /dev/null and the redirections `redirect` adds. The child's pid, or -1
// when it did not start.
inline pid_t SpawnProgram(std::vector<std::string> words,
                          const std::function<void(posix_spawn_file_actions_t&)>& redirect) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  redirect(actions);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace tarrowin::testing_tools
