// Everything the start-up sequence creates, in one object, so that the
// program's entry function and the user-interface tests run the same code:
// Start builds the windows, the engine and the tray icon; the destructor
// tears them down in shutdown order (tray icon, application object with its
// mutex, master rules, and last the engine, whose worker is joined).
#pragma once

#include <windows.h>

#include <vector>

#include "app/app_context.h"
#include "app/application.h"
#include "engine/cpu_limit_thread.h"
#include "engine/smart_ptr.h"

namespace tarrowin {

class CShell {
 public:
  // `commandLine` is the UTF-16 text after the program path, or null.
  CShell(HINSTANCE instance, HINSTANCE previousInstance, const wchar_t* commandLine,
         int showCommand);
  ~CShell();
  CShell(const CShell&) = delete;
  CShell& operator=(const CShell&) = delete;

  // Runs the start-up sequence up to the message loop. Returns 0 when it
  // ended early: another copy runs (its window was brought forward) or a
  // window could not be made. Call once.
  int Start();

  // Dispatches messages until the main window is destroyed.
  void RunMessageLoop();

  AppContext& Context() { return context_; }

 private:
  // Members are destroyed in reverse order: the application object first,
  // then the master rules, then the engine.
  smart_ptr<CCPULimitThread> engine_;
  std::vector<LimitRule> masterRules_;
  CApplication app_;
  AppContext context_;
  bool trayIconAdded_ = false;
};

}  // namespace tarrowin
