// The program's entry function. The exit code is 0 in every case: after a
// normal end, after deferring to a running copy and after a failed start.
#include <windows.h>

#include "app/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
  {
    tarrowin::CShell shell(instance, previousInstance, commandLine, showCommand);
    if (shell.Start()) shell.RunMessageLoop();
  }
  return 0;
}
