// The rule-list dialog in process: its template, the list view's columns
// and cells, deletion, and the enabled state of the edit and delete
// commands.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/resource.h"
#include "app/rule_list_dialog.h"
#include "tests/app/dialog_template.h"
#include "tests/app/fake_processes.h"
#include "tests/app/shell_fixture.h"

namespace tarrowin::testing {
namespace {

using RuleListTest = ShellTest;

TEST_F(RuleListTest, TemplateHasItsControlsInDialogUnits) {
  DialogTemplate dialog;
  ASSERT_TRUE(LoadDialogTemplate(IDD_RULE_LIST, dialog));
  EXPECT_EQ(dialog.style, 0x40000040u);  // WS_CHILD | DS_SETFONT, not visible
  EXPECT_EQ(dialog.cx, 366);
  EXPECT_EQ(dialog.cy, 200);
  EXPECT_EQ(dialog.caption, L"");
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.font, L"ＭＳ Ｐゴシック");

  constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kButton = kVisibleChild | WS_TABSTOP | BS_PUSHBUTTON;
  ExpectDialogItems(
      dialog,
      {
          {L"Static", -1, L"制限プログラム一覧", 5, 5, 170, 10, kVisibleChild | WS_GROUP | SS_LEFT},
          {L"SysListView32", IDC_RULE_LIST, L"", 5, 20, 355, 140, 0x50818805},
          {L"Button", IDC_LIST_ADD, L"追加(&A)", 10, 165, 80, 25, kButton},
          {L"Button", IDC_LIST_MODIFY, L"修正(&E)", 98, 165, 80, 25, kButton | WS_DISABLED},
          {L"Button", IDC_LIST_DELETE, L"削除(&D)", 186, 165, 80, 25, kButton | WS_DISABLED},
          {L"Button", IDC_LIST_EXIT, L"終了(&X)", 274, 165, 80, 25, kButton},
      });
}

TEST_F(RuleListTest, DialogSitsAtTheTopLeftOfTheClientArea) {
  RECT rect{};
  GetWindowRect(ListDialog(), &rect);
  POINT origin{0, 0};
  ClientToScreen(MainWindow(), &origin);
  EXPECT_EQ(rect.left, origin.x);
  EXPECT_EQ(rect.top, origin.y);
}

TEST_F(RuleListTest, ListViewHasItsColumnsAndExtendedStyles) {
  EXPECT_EQ(SendMessageW(ListView(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
            LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  struct Column {
    const wchar_t* header;
    int format;
    int width;
  };
  const Column columns[] = {{L"実行ファイル名", LVCFMT_LEFT, 420},
                            {L"CPUコア数", LVCFMT_RIGHT, 75},
                            {L"CPUマスク", LVCFMT_RIGHT, 70},
                            {L"動作", LVCFMT_LEFT, 40}};
  for (int i = 0; i < 4; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(ListView(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, columns[i].header);
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format) << i;
    EXPECT_EQ(column.cx, columns[i].width) << i;
  }
  LVCOLUMNW none{};
  none.mask = LVCF_WIDTH;
  EXPECT_FALSE(SendMessageW(ListView(), LVM_GETCOLUMNW, 4, reinterpret_cast<LPARAM>(&none)));
}

struct RowCase {
  LimitRule rule;
  const wchar_t* cells[4];
};

class RuleRowTest : public ShellTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(RuleRowTest, RowShowsTheRule) {
  AddRule({u"first.exe", 1, 0});
  AddRule(GetParam().rule);
  ASSERT_EQ(RowCount(), 2);
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(CellText(1, column), GetParam().cells[column]) << column;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, RuleRowTest,
    ::testing::Values(
        RowCase{{u"notepad.exe", -3, 0}, {L"notepad.exe", L"3", L"0x00000000", L"無効"}},
        RowCase{{u"C:\\Tools\\app.exe", 2, 0x0C},
                {L"C:\\Tools\\app.exe", L"2", L"0x0000000c", L"有効"}},
        RowCase{{u"ゲーム.exe", 0, 0}, {L"ゲーム.exe", L"0", L"0x00000000", L"無効"}},
        RowCase{{u"wide.exe", 32, 0xFFFFFFFF}, {L"wide.exe", L"32", L"0xffffffff", L"有効"}}));

TEST_F(RuleListTest, UpdateRewritesAnExistingRowOnly) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 2, 0});
  EXPECT_EQ(UpdateRuleRow(ListView(), 2, {u"c.exe", 1, 0}), 0);
  EXPECT_EQ(UpdateRuleRow(ListView(), -1, {u"c.exe", 1, 0}), 0);
  EXPECT_EQ(RowCount(), 2);
  EXPECT_EQ(UpdateRuleRow(ListView(), 1, {u"c.exe", -4, 0x0F}), 1);
  EXPECT_EQ(CellText(0, 0), L"a.exe");
  EXPECT_EQ(CellText(1, 0), L"c.exe");
  EXPECT_EQ(CellText(1, 1), L"4");
  EXPECT_EQ(CellText(1, 2), L"0x0000000f");
  EXPECT_EQ(CellText(1, 3), L"無効");
}

TEST_F(RuleListTest, NewRowsScrollIntoView) {
  for (int i = 0; i < 40; ++i) {
    std::u16string name(u"p00.exe");
    name[1] = static_cast<char16_t>(u'0' + i / 10);
    name[2] = static_cast<char16_t>(u'0' + i % 10);
    AddRule({name, 1, 0});
    const int top = static_cast<int>(SendMessageW(ListView(), LVM_GETTOPINDEX, 0, 0));
    const int page = static_cast<int>(SendMessageW(ListView(), LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(page, 0);
    EXPECT_LE(top, i);
    EXPECT_LT(i, top + page) << "row " << i << " is below the visible rows";
  }
}

TEST_F(RuleListTest, StartsEmptyWithEditAndDeleteGreyedUntilARowIsSelected) {
  EXPECT_EQ(RowCount(), 0);
  EXPECT_TRUE(Context().MasterRules->empty());
  EXPECT_FALSE(ItemCommandsEnabled());
  AddRule({u"a.exe", 1, 0});
  EXPECT_FALSE(ItemCommandsEnabled());
  SelectRow(0);
  EXPECT_TRUE(ItemCommandsEnabled());
  // Deselecting leaves them enabled.
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED;
  SendMessageW(ListView(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  PumpMessages();
  EXPECT_TRUE(ItemCommandsEnabled());
}

TEST_F(RuleListTest, EnableItemCommandsSetsMenuStatesExactly) {
  EnableItemCommands(true);
  EXPECT_EQ(MenuState(ID_ITEM_EDIT), 0u);
  EXPECT_EQ(MenuState(ID_ITEM_DELETE), 0u);
  EnableItemCommands(false);
  EXPECT_EQ(MenuState(ID_ITEM_EDIT), static_cast<UINT>(MFS_GRAYED | MFS_DISABLED));
  EXPECT_EQ(MenuState(ID_ITEM_DELETE), static_cast<UINT>(MFS_GRAYED | MFS_DISABLED));
}

TEST_F(RuleListTest, DeleteWithoutSelectionChangesNothing) {
  AddRule({u"a.exe", 1, 0});
  EXPECT_EQ(DeleteSelectedRule(ListView()), 0);
  SendMessageW(ListDialog(), WM_COMMAND, IDC_LIST_DELETE, 0);
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(Context().MasterRules->size(), 1u);
}

TEST_F(RuleListTest, DeletingTheOnlyRowEmptiesTheListAndGreysTheCommands) {
  AddRule({u"a.exe", 1, 0});
  SelectRow(0);
  ASSERT_TRUE(ItemCommandsEnabled());
  SendMessageW(ListDialog(), WM_COMMAND, IDC_LIST_DELETE, 0);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_TRUE(Context().MasterRules->empty());
  EXPECT_FALSE(ItemCommandsEnabled());
}

TEST_F(RuleListTest, DeletingOneOfSeveralRowsKeepsTheOthersInOrder) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 2, 0});
  AddRule({u"c.exe", -1, 0});
  SelectRow(1);
  // Through the menu bar, as the user would.
  SendMessageW(MainWindow(), WM_COMMAND, ID_ITEM_DELETE, 0);
  PumpMessages();
  ASSERT_EQ(RowCount(), 2);
  EXPECT_EQ(CellText(0, 0), L"a.exe");
  EXPECT_EQ(CellText(1, 0), L"c.exe");
  const std::vector<LimitRule> left = {{u"a.exe", 1, 0}, {u"c.exe", -1, 0}};
  EXPECT_EQ(*Context().MasterRules, left);
  EXPECT_TRUE(ItemCommandsEnabled());
}

TEST_F(RuleListTest, DeletingHandsTheRemainingRulesToTheEngine) {
  FakeEngine engine(Context(), {u"C:\\a\\a.exe", u"C:\\b\\b.exe", u"C:\\c\\c.exe"});
  AddRule({u"a.exe", 1, 0x1});
  AddRule({u"b.exe", 1, 0x2});
  AddRule({u"c.exe", 1, 0x4});
  SelectRow(0);
  SendMessageW(ListDialog(), WM_COMMAND, IDC_LIST_DELETE, 0);
  const std::map<ProcessId, std::uint32_t> narrowed = {{1, 0x2}, {2, 0x4}};
  EXPECT_EQ(engine.Pass(), narrowed);
}

TEST_F(RuleListTest, DeletingTheLastRuleLeavesTheEngineNothingToDo) {
  FakeEngine engine(Context(), {u"C:\\a\\a.exe"});
  AddRule({u"a.exe", 1, 0x1});
  SelectRow(0);
  SendMessageW(ListDialog(), WM_COMMAND, IDC_LIST_DELETE, 0);
  EXPECT_TRUE(engine.Pass().empty());
}

TEST_F(RuleListTest, ClearingTheListGreysTheCommands) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 1, 0});
  SelectRow(0);
  ASSERT_TRUE(ItemCommandsEnabled());
  SendMessageW(ListView(), LVM_DELETEALLITEMS, 0, 0);
  EXPECT_FALSE(ItemCommandsEnabled());
}

TEST_F(RuleListTest, EditWithoutSelectionMarkOpensNothing) {
  EXPECT_EQ(OpenRuleEditor(ListDialog(), true), 0);
}

}  // namespace
}  // namespace tarrowin::testing
