// The rule-list dialog: its procedure, the list view's columns and rows,
// deletion, and the enabled state of the edit and delete commands.
#include "app/rule_list_dialog.h"

#include <commctrl.h>

#include <string>

#include "app/app_context.h"
#include "app/application.h"
#include "app/modal_windows.h"
#include "app/resource.h"
#include "app/rule_cells.h"
#include "app/rule_editor.h"

namespace tarrowin {
namespace {

constexpr UINT kGreyedState = MFS_GRAYED | MFS_DISABLED;

static_assert(sizeof(wchar_t) == sizeof(char16_t));
wchar_t* Wide(std::u16string& text) { return reinterpret_cast<wchar_t*>(text.data()); }

void SetRowTexts(HWND listView, int row, const LimitRule& rule) {
  auto cells = RuleCellTexts(rule);
  for (int column = 0; column < kRuleColumnCount; ++column) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = Wide(cells[column]);
    SendMessageW(listView, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  }
}

int RowCount(HWND listView) {
  return static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
}

int SelectionMark(HWND listView) {
  return static_cast<int>(SendMessageW(listView, LVM_GETSELECTIONMARK, 0, 0));
}

// Row identities are never reused within a run, and never 0.
LPARAM NextRowId() {
  static LPARAM last = 0;
  if (++last <= 0) last = 1;
  return last;
}

void OnListNotify(HWND dialog, const NMHDR& header) {
  switch (header.code) {
    case LVN_DELETEALLITEMS:
      EnableItemCommands(false);
      break;
    case LVN_DELETEITEM:
      // The row being deleted is still counted: this is the last one going.
      if (RowCount(header.hwndFrom) <= 1) EnableItemCommands(false);
      break;
    case LVN_ITEMCHANGED:
      // Deselecting never greys the commands; only losing the rows does.
      if (reinterpret_cast<const NMLISTVIEW&>(header).uNewState & LVIS_SELECTED) {
        EnableItemCommands(true);
      }
      break;
    case NM_DBLCLK:
      OpenRuleEditor(dialog, true);
      break;
    default:
      break;
  }
}

}  // namespace

INT_PTR CALLBACK RuleListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetupRuleColumns(GetDlgItem(dialog, IDC_RULE_LIST));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_LIST_EXIT:
          if (AppContext* context = CurrentAppContext()) {
            PostMessageW(context->App->MainWindow(), WM_COMMAND, ID_EXIT, 0);
          }
          return TRUE;
        case IDC_LIST_ADD:
          OpenRuleEditor(dialog, false);
          return TRUE;
        case IDC_LIST_MODIFY:
          OpenRuleEditor(dialog, true);
          return TRUE;
        case IDC_LIST_DELETE:
          DeleteSelectedRule(GetDlgItem(dialog, IDC_RULE_LIST));
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NOTIFY:
      if (wParam == IDC_RULE_LIST) OnListNotify(dialog, *reinterpret_cast<const NMHDR*>(lParam));
      return FALSE;
    default:
      return FALSE;
  }
}

int SetupRuleColumns(HWND listView) {
  constexpr DWORD kExtendedStyle = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  SendMessageW(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, ~DWORD{0}, kExtendedStyle);
  for (int index = 0; index < kRuleColumnCount; ++index) {
    const RuleColumn& column = kRuleColumns[index];
    std::u16string header = column.header;
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    lvc.fmt = column.alignRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
    lvc.cx = column.width;
    lvc.pszText = Wide(header);
    SendMessageW(listView, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&lvc));
  }
  return 1;
}

int AddRuleRow(HWND listView, const LimitRule& rule) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = RowCount(listView);
  item.lParam = NextRowId();
  const int row =
      static_cast<int>(SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  SetRowTexts(listView, row, rule);
  SendMessageW(listView, LVM_ENSUREVISIBLE, row, FALSE);
  return 1;
}

int UpdateRuleRow(HWND listView, int index, const LimitRule& rule) {
  if (index < 0 || index >= RowCount(listView)) return 0;
  SetRowTexts(listView, index, rule);
  return 1;
}

LPARAM RuleRowId(HWND listView, int row) {
  if (row < 0 || row >= RowCount(listView)) return 0;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return item.lParam;
}

int FindRuleRow(HWND listView, LPARAM id) {
  if (id == 0) return -1;
  LVFINDINFOW find{};
  find.flags = LVFI_PARAM;
  find.lParam = id;
  return static_cast<int>(SendMessageW(listView, LVM_FINDITEMW, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(&find)));
}

int DeleteSelectedRule(HWND listView) {
  AppContext* context = CurrentAppContext();
  const int mark = SelectionMark(listView);
  if (context == nullptr || mark < 0) return 0;
  std::vector<LimitRule>& rules = *context->MasterRules;
  if (static_cast<std::size_t>(mark) >= rules.size()) return 0;
  rules.erase(rules.begin() + mark);
  context->Engine->SetRules(rules);
  SendMessageW(listView, LVM_DELETEITEM, mark, 0);
  return 1;
}

INT_PTR OpenRuleEditor(HWND dialog, bool forSelection) {
  AppContext* context = CurrentAppContext();
  if (context == nullptr) return 0;
  // One dialog at a time: the one already open comes forward.
  if (BringModalWindowForward(context->App->MainWindow())) return 0;
  LPARAM index = -1;  // adding
  if (forSelection) {
    index = SelectionMark(GetDlgItem(dialog, IDC_RULE_LIST));
    if (index < 0) return 0;
  }
  const CModalScope modal;
  return DialogBoxParamW(context->App->Instance(), MAKEINTRESOURCEW(IDD_RULE_EDIT),
                         context->App->MainWindow(), RuleEditDlgProc, index);
}

void EnableItemCommands(bool enable) {
  AppContext* context = CurrentAppContext();
  if (context == nullptr) return;
  HMENU menu = GetMenu(context->App->MainWindow());
  for (UINT id : {ID_ITEM_EDIT, ID_ITEM_DELETE}) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = enable ? 0 : kGreyedState;
    SetMenuItemInfoW(menu, id, FALSE, &item);
  }
  EnableWindow(GetDlgItem(context->ListDialog, IDC_LIST_MODIFY), enable);
  EnableWindow(GetDlgItem(context->ListDialog, IDC_LIST_DELETE), enable);
}

}  // namespace tarrowin
