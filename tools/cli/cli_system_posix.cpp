// tarrowin-cli on POSIX: SIGINT and SIGTERM stop the worker, SIGHUP reloads
// its settings. The three are blocked in every thread and taken by sigwait,
// so no handler runs in the middle of a pass.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "tools/cli/cli_system.h"

namespace tarrowin {
namespace {

sigset_t ControlSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

ProcessId CurrentProcessId() { return static_cast<ProcessId>(getpid()); }

CControlRequests::CControlRequests() {
  const sigset_t set = ControlSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// The signals stay blocked: one that arrives while the process ends must
// not end it another way.
CControlRequests::~CControlRequests() = default;

ControlRequest CControlRequests::Wait() {
  const sigset_t set = ControlSignals();
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    if (signal == SIGHUP) return ControlRequest::kReload;
    return ControlRequest::kStop;
  }
}

std::u16string_view CControlRequests::Help() {
  return u"SIGHUP reloads the file, Ctrl+C, SIGINT or SIGTERM stops";
}

}  // namespace tarrowin
