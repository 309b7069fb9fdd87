// Where tarrowin-cli writes: one line at a time to standard output (the
// table, the changes) or standard error (faults and notices). The entry
// functions give the system's console.
#pragma once

#include <string_view>

namespace tarrowin {

class ICliConsole {
 public:
  virtual ~ICliConsole() = default;
  // One line, without its line end. Safe from any thread: the worker writes
  // the changes while the main thread writes notices. Each line is flushed,
  // so that a log that follows the output sees it at once.
  virtual void Out(std::u16string_view line) = 0;
  virtual void Error(std::u16string_view line) = 0;
  // False once a line to standard output could not be written whole.
  virtual bool OutputOk() = 0;
};

}  // namespace tarrowin
