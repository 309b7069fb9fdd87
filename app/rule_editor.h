// The rule edit dialog (template IDD_RULE_EDIT), opened modally by the rule
// list for adding (parameter -1) or for a row (its index). It edits a
// rule's program (typed or browsed for), core count, enabled flag and
// explicit mask (set in the mask dialog), clamps the result with
// NormalizeRule, and stores it in the list, the master rules and the
// engine. Ends with 1 when a rule was stored, 0 when closed or cancelled.
#pragma once

#include <windows.h>

namespace tarrowin {

INT_PTR CALLBACK RuleEditDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills caption, accept button and fields for adding (`index` negative:
// empty name, the system's core count, enabled, no mask) or for rule
// `index` of the master rules.
void InitRuleEditor(HWND dialog, int index);

// Validates and stores the dialog's rule, into the row the editor was opened
// for wherever that row now is. Returns 1 when it was stored; 0 when the
// dialog must stay open: empty name, a name already listed (adding only),
// or a row that no longer exists (without a message).
int AcceptRuleEdit(HWND dialog);

// The browse button: lets the user pick a program; its full path replaces
// the name field unless the chooser is cancelled. Returns 1.
int ChooseProgramFile(HWND dialog);

}  // namespace tarrowin
