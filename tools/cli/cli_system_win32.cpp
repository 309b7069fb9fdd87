// tarrowin-cli on Windows: Ctrl+C, Ctrl+Break and closing the console stop
// the worker. The console calls its handler on a thread of its own; the
// handler only signals the waiting main thread.
#include <windows.h>

#include "tools/cli/cli_system.h"

namespace tarrowin {
namespace {

// The two events live as long as the process: the console may call the
// handler at any time, also while the process ends.
// Set by the handler; Wait waits for it.
HANDLE g_stop_requested = nullptr;
// Set once the main thread has stopped the worker: a console that is being
// closed ends the process as soon as the handler returns.
HANDLE g_stopped = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (g_stop_requested == nullptr) return FALSE;
  SetEvent(g_stop_requested);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // The system allows a few seconds before it ends the process.
    WaitForSingleObject(g_stopped, 4000);
  }
  return TRUE;
}

}  // namespace

ProcessId CurrentProcessId() { return GetCurrentProcessId(); }

CControlRequests::CControlRequests() {
  g_stop_requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

// The handler stays installed, answering every later request with "done".
CControlRequests::~CControlRequests() {
  if (g_stopped != nullptr) SetEvent(g_stopped);
}

ControlRequest CControlRequests::Wait() {
  if (g_stop_requested != nullptr) WaitForSingleObject(g_stop_requested, INFINITE);
  return ControlRequest::kStop;
}

std::u16string_view CControlRequests::Help() { return u"Ctrl+C stops"; }

}  // namespace tarrowin
