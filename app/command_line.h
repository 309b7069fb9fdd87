// The start-up command line: an optional settings file and an optional
// check-cycle word. Portable; the main window applies it
// (settings_commands.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarrowin {

// The arguments in a whole command line (GetCommandLineW's text): what
// follows the program path, found as the C runtime finds the command line
// it gives WinMain. The path runs to the first blank or control character
// outside double quotes (a quote toggles); the blanks and control
// characters after it are skipped. Null gives null.
const char16_t* ArgumentsText(const char16_t* commandLine);

// Splits `text` at blanks (space, tab) outside double quotes. A quote
// starts or ends a quoted stretch and is dropped; a closing quote ends the
// argument, so "" gives an empty argument, and text before an opening quote
// joins the quoted stretch (a"b c"d gives "ab c" and "d"). A quote left open
// runs to the end. Returns 0 for a null or empty text (no arguments), else
// 1.
int SplitCommandLine(const char16_t* text, std::vector<std::u16string>& arguments);

// What a cycle word after the settings file selects.
struct CycleWord {
  const char16_t* word;
  unsigned command;  // the menu command the word stands for
  bool hides;        // the main window starts hidden and disabled, in the tray
};

// "normal", "long" or "stop", compared exactly (case-sensitively); null for
// anything else.
const CycleWord* FindCycleWord(std::u16string_view word);

}  // namespace tarrowin
