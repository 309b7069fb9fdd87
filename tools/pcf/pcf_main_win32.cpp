// Entry function of pcf on Windows: UTF-16 arguments, and standard output
// in binary mode so that entry bytes pass unchanged.
#include <fcntl.h>
#include <io.h>

#include <string>
#include <vector>

#include "tools/pcf/pcf_console.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg(argv[i]);
    args.emplace_back(arg.begin(), arg.end());
  }
  tarrowin::CStdConsole console;
  return console.Finish(tarrowin::RunPcf(args, console));
}
