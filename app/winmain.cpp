// The program's entry function. The exit code is 0 in every case: after a
// normal end, after deferring to a running copy and after a failed start.
#include <windows.h>

#include "app/command_line.h"
#include "app/shell.h"
#include "app/wide_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR /*ansiCommandLine*/,
                   int showCommand) {
  // The ANSI command line has lost every character outside the ANSI code
  // page: a settings file in such a folder would not be found.
  const wchar_t* arguments =
      tarrowin::AsWide(tarrowin::ArgumentsText(tarrowin::AsUtf16(GetCommandLineW())));
  {
    tarrowin::CShell shell(instance, previousInstance, arguments, showCommand);
    if (shell.Start()) shell.RunMessageLoop();
  }
  return 0;
}
