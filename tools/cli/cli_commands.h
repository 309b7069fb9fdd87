// The commands of tarrowin-cli, apart from the system's entry function: they
// take the arguments as UTF-16 text and write through the console given.
#pragma once

#include <string>
#include <vector>

#include "tools/cli/cli_console.h"

namespace tarrowin {

// Runs the command in `args` (without the program name) and returns the
// exit status: 0 on success; 1 after one line on standard error naming the
// file or argument at fault; 2 after one usage line for a command line of
// the wrong shape.
int RunCli(const std::vector<std::u16string>& args, ICliConsole& console);

}  // namespace tarrowin
