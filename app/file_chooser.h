// The system's open and save dialogs, as the settings commands and the rule
// editor's browse button use them.
#pragma once

#include <windows.h>

#include <string>

namespace tarrowin {

// Shows the open dialog (`open`) or the save dialog, owned by `owner`, with
// `title`, the filter `pairs` (see file_filters.h; all files are offered
// last) and `path` as the initial file name. Returns 1 and puts the chosen
// full path into `path` when the user confirms; 0 with `path` unchanged on
// cancel or failure. Opening requires an existing file, saving an existing
// folder; saving neither asks before overwriting nor adds an extension.
int ChooseFile(HWND owner, const wchar_t* title, const char16_t* pairs, std::wstring& path,
               bool open);

}  // namespace tarrowin
