// The rule-list dialog (template 103): a report list of the master rules
// with add, modify, delete and exit buttons, and the row helpers that the
// rule editor and settings loading use as well.
#pragma once

#include <windows.h>

#include "engine/limit_rule.h"

namespace tarrowin {

INT_PTR CALLBACK RuleListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Grid lines, full-row selection and the four columns. Returns 1.
int SetupRuleColumns(HWND listView);

// Appends a row for `rule` and scrolls it into view. Returns 1.
int AddRuleRow(HWND listView, const LimitRule& rule);

// Rewrites the cells of row `index`; 0 without change when there is no such
// row, else 1.
int UpdateRuleRow(HWND listView, int index, const LimitRule& rule);

// The identity of row `row`, which stays with that row while others come and
// go; 0 when there is no such row.
LPARAM RuleRowId(HWND listView, int row);

// The row whose identity is `id`; -1 when it is gone.
int FindRuleRow(HWND listView, LPARAM id);

// Removes the rule and the row at the list's selection mark and hands the
// remaining rules to the engine. 0 when there is no selection mark.
int DeleteSelectedRule(HWND listView);

// Opens the rule editor, owned by the main window: for adding, or for the
// row at the selection mark (`forSelection`; nothing happens and 0 is
// returned without a selection mark). While a modal window is open that
// window comes forward instead, and 0 is returned. Returns the editor's
// result.
INT_PTR OpenRuleEditor(HWND dialog, bool forSelection);

// Enables or greys the edit and delete commands: menu items ID_ITEM_EDIT and
// ID_ITEM_DELETE and the dialog's modify and delete buttons.
void EnableItemCommands(bool enable);

}  // namespace tarrowin
