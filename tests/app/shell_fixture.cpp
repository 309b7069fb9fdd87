// The in-process shell fixture.
#include "tests/app/shell_fixture.h"

#include <commctrl.h>

#include "app/application.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "app/rule_list_dialog.h"

namespace tarrowin::testing {

bool PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      EXPECT_EQ(message.wParam, 0u);
      return true;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return false;
}

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[256] = {};
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STRING;
  item.dwTypeData = text;
  item.cch = 256;
  GetMenuItemInfoW(menu, position, TRUE, &item);
  return text;
}

void ShellTest::SetUp() { StartShell(nullptr); }

void ShellTest::StartShell(const wchar_t* commandLine) {
  shell_ = std::make_unique<CShell>(GetModuleHandleW(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
  ASSERT_EQ(shell_->Start(), 1);
  PumpMessages();
}

void ShellTest::TearDown() {
  shell_.reset();
  // The class outlives the application object, as in the program; the next
  // test registers it again.
  UnregisterClassW(kMainWindowClass, GetModuleHandleW(nullptr));
  // The destroyed window's quit message must not reach the next test.
  while (PumpMessages()) {
  }
}

HWND ShellTest::MainWindow() const { return shell_->Context().App->MainWindow(); }

HWND ShellTest::ListView() { return GetDlgItem(ListDialog(), IDC_RULE_LIST); }

UINT ShellTest::MenuState(UINT id) const {
  MENUITEMINFOW item{};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE;
  EXPECT_TRUE(GetMenuItemInfoW(MainMenu(), id, FALSE, &item)) << id;
  return item.fState;
}

void ShellTest::AddRule(const LimitRule& rule) {
  Context().MasterRules->push_back(rule);
  AddRuleRow(ListView(), rule);
  Context().Engine->SetRules(*Context().MasterRules);
}

void ShellTest::SelectRow(int row) {
  SendMessageW(ListView(), LVM_SETSELECTIONMARK, 0, row);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(ListView(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  PumpMessages();
}

std::wstring ShellTest::CellText(int row, int column) {
  wchar_t text[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 512;
  SendMessageW(ListView(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

int ShellTest::RowCount() {
  return static_cast<int>(SendMessageW(ListView(), LVM_GETITEMCOUNT, 0, 0));
}

bool ShellTest::ItemCommandsEnabled() {
  const bool editItem = (MenuState(ID_ITEM_EDIT) & MFS_GRAYED) == 0;
  const bool deleteItem = (MenuState(ID_ITEM_DELETE) & MFS_GRAYED) == 0;
  const bool modifyButton = IsWindowEnabled(GetDlgItem(ListDialog(), IDC_LIST_MODIFY));
  const bool deleteButton = IsWindowEnabled(GetDlgItem(ListDialog(), IDC_LIST_DELETE));
  EXPECT_EQ(editItem, deleteItem);
  EXPECT_EQ(editItem, modifyButton);
  EXPECT_EQ(editItem, deleteButton);
  return editItem;
}

}  // namespace tarrowin::testing
