// The console of the pcf tool on standard output and standard error, shared
// by the POSIX and the Windows entry functions.
#pragma once

#include <cstdio>

#include "tools/pcf/pcf_commands.h"

namespace tarrowin {

class CStdConsole : public IPcfConsole {
 public:
  bool Out(const void* bytes, std::size_t count) override {
    return std::fwrite(bytes, 1, count, stdout) == count;
  }
  void Error(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
  }
  // Output that could not be flushed is a failure too.
  int Finish(int status) {
    if (std::fflush(stdout) != 0 && status == 0) {
      Error("pcf: cannot write to standard output");
      return 1;
    }
    return status;
  }
};

}  // namespace tarrowin
