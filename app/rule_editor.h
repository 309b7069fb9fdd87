// The rule edit dialog (template IDD_RULE_EDIT), opened modally by the rule
// list for adding (parameter -1) or for a row (its index). Ends with 1 when
// a rule was stored, 0 when cancelled.
#pragma once

#include <windows.h>

namespace tarrowin {

INT_PTR CALLBACK RuleEditDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tarrowin
