// What tarrowin-cli needs from the operating system beyond the engine: its
// own process id, and the requests that stop the worker or make it read its
// settings again. cli_system_posix.cpp: signals; cli_system_win32.cpp: the
// console's control events.
#pragma once

#include <string_view>

#include "engine/process_source.h"

namespace tarrowin {

ProcessId CurrentProcessId();

enum class ControlRequest { kStop, kReload };

// From construction on, the requests that would end the process (Ctrl+C,
// SIGINT, SIGTERM; on POSIX also SIGHUP) are held for Wait instead. Made on
// the main thread before any other thread starts, so that every thread
// leaves them to Wait; they stay held until the process ends.
class CControlRequests {
 public:
  CControlRequests();
  ~CControlRequests();
  CControlRequests(const CControlRequests&) = delete;
  CControlRequests& operator=(const CControlRequests&) = delete;

  // Blocks until the next request arrives.
  ControlRequest Wait();

  // How the user stops the worker (and reloads it where that exists), for
  // the notice at start.
  static std::u16string_view Help();
};

}  // namespace tarrowin
