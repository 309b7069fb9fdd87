// The settings-file commands. Settings documents are not part of the
// program yet: the commands do nothing and the command line is ignored.
#include "app/settings_commands.h"

namespace tarrowin {

void OpenSettingsFile(HWND /*mainWindow*/) {}

void SaveSettingsFile(HWND /*mainWindow*/) {}

void ApplyCommandLine(HWND /*mainWindow*/) {}

}  // namespace tarrowin
