// Runs a program of the build as a child process and collects what it
// writes, for the tests of the command-line tools. POSIX in
// run_program_posix.cpp, Win32 in run_program_win32.cpp.
#pragma once

#include <string>
#include <vector>

namespace tarrowin::testing_tools {

struct ProgramResult {
  int status = -1;  // exit status; -1 when the program could not run
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error
};

// The folder of the running test program.
std::u16string ThisProgramFolder();

// `program` with `args`, standard input empty; waits for it to end.
ProgramResult RunProgram(const std::u16string& program, const std::vector<std::u16string>& args);

}  // namespace tarrowin::testing_tools
