// The process-wide record through which the windows and dialogs reach the
// application object, the engine, the master rule list and the processor
// figures. Set by the start-up sequence; null before it and after shutdown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "engine/cpu_limit_thread.h"

namespace tarrowin {

class CApplication;

struct AppContext {
  CApplication* App = nullptr;
  CCPULimitThread* Engine = nullptr;  // owned by the start-up sequence
  // The user interface's rules; row i of the rule list shows rule i. Every
  // change is followed by SetRules with the whole list.
  std::vector<LimitRule>* MasterRules = nullptr;
  HWND ListDialog = nullptr;
  int SystemCPUCount = 0;
  std::uint32_t SystemMask = 0;
};

AppContext* CurrentAppContext();
void SetCurrentAppContext(AppContext* context);

}  // namespace tarrowin
