// The commands of the pcf archive tool, apart from the system's entry
// function: they take the arguments as UTF-16 text and write through the
// console given to them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarrowin {

class IPcfConsole {
 public:
  virtual ~IPcfConsole() = default;
  // Bytes to standard output; false when they could not be written.
  virtual bool Out(const void* bytes, std::size_t count) = 0;
  // One line (without its line end) to standard error.
  virtual void Error(std::string_view line) = 0;
};

// Runs the command in `args` (without the program name); the exit status:
// 0 on success, 1 on any failure after one line on standard error.
int RunPcf(const std::vector<std::u16string>& args, IPcfConsole& console);

}  // namespace tarrowin
