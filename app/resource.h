// Resource and command ids shared by the resource script and the code.
// Grouped by prefix: IDR_ menus, IDD_ dialogs, IDI_ icons, ID_ menu commands,
// IDC_ dialog controls.
#pragma once

// Menus.
#define IDR_MAIN_MENU 101
#define IDR_TRAY_MENU 102

// Dialog templates.
#define IDD_RULE_LIST 103
#define IDD_RULE_EDIT 104
#define IDD_CPU_MASK 105

// Icon group: window class, small icon and tray icon.
#define IDI_TARROWIN 106

// Menu commands (menu bar 101 and tray menu 102).
#define ID_EXIT 40001
#define ID_SAVE_SETTINGS 40002
#define ID_OPEN_SETTINGS 40003
#define ID_CYCLE_STOP 40007
#define ID_CYCLE_NORMAL 40008
#define ID_CYCLE_LONG 40009
#define ID_ITEM_ADD 40010
#define ID_ITEM_EDIT 40011
#define ID_ITEM_DELETE 40012
#define ID_RESTORE 40013

// Controls of the rule-list dialog (103).
#define IDC_LIST_EXIT 1003
#define IDC_RULE_LIST 1004
#define IDC_LIST_ADD 1005
#define IDC_LIST_MODIFY 1006
#define IDC_LIST_DELETE 1007

// Controls shared by the rule editor (104) and the mask dialog (105).
#define IDC_ACCEPT 1001
#define IDC_CANCEL 1002

// Controls of the rule editor (104).
#define IDC_PROGRAM_NAME 1009
#define IDC_BROWSE 1010
#define IDC_CORE_COUNT 1011
#define IDC_CPU_MASK 1012
#define IDC_SET_MASK 1013
#define IDC_LIMIT_ENABLED 1014

// Check boxes "CPU 01" to "CPU 32" of the mask dialog (105): processor bit
// n has the box IDC_CPU_FIRST + n.
#define IDC_CPU_FIRST 1201
#define IDC_CPU_LAST 1232
