// The rule editor and the mask dialog in process: their templates, the
// fields for adding and editing, what accepting stores (row, master rules,
// engine), the two refusals, the mask dialog's boxes and results, the
// browse button, and how each dialog closes. The modal dialogs are driven
// by a ModalDriver on the test's own thread.

// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "app/rule_editor.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/mask_dialog.h"
#include "app/resource.h"
#include "tests/app/dialog_template.h"
#include "tests/app/fake_processes.h"
#include "tests/app/modal_driver.h"
#include "tests/app/shell_fixture.h"

namespace tarrowin::testing {
namespace {

constexpr wchar_t kAddCaption[] = L"CPU制限プログラムの追加";
constexpr wchar_t kEditCaption[] = L"CPU制限プログラムの編集";
constexpr wchar_t kMaskCaption[] = L"制限CPUマスクの設定";
constexpr wchar_t kBrowseCaption[] = L"制限するプログラムファイルを選択する";
constexpr wchar_t kErrorCaption[] = L"エラー";

struct EditorFields {
  std::wstring caption, accept, name, count, mask;
  bool enabled = false;
  bool operator==(const EditorFields&) const = default;
};

void PrintTo(const EditorFields& f, std::ostream* out) {
  *out << ::testing::PrintToString(f.caption) << " " << ::testing::PrintToString(f.accept) << " "
       << ::testing::PrintToString(f.name) << " count " << ::testing::PrintToString(f.count)
       << " mask " << ::testing::PrintToString(f.mask) << (f.enabled ? " enabled" : " disabled");
}

EditorFields ReadEditor(HWND editor) {
  return {WindowText(editor),
          ItemText(editor, IDC_ACCEPT),
          ItemText(editor, IDC_PROGRAM_NAME),
          ItemText(editor, IDC_CORE_COUNT),
          ItemText(editor, IDC_CPU_MASK),
          IsDlgButtonChecked(editor, IDC_LIMIT_ENABLED) == BST_CHECKED};
}

void FillEditor(HWND editor, const std::wstring& name, const std::wstring& count, bool enabled) {
  SetDlgItemTextW(editor, IDC_PROGRAM_NAME, name.c_str());
  SetDlgItemTextW(editor, IDC_CORE_COUNT, count.c_str());
  CheckDlgButton(editor, IDC_LIMIT_ENABLED, enabled ? BST_CHECKED : BST_UNCHECKED);
}

// An editor step that fills the fields and presses a button.
ModalDriver::Action FillAndClick(std::wstring name, std::wstring count, bool enabled, int button) {
  return [=](HWND editor) {
    FillEditor(editor, name, count, enabled);
    Click(editor, button);
  };
}

ModalDriver::Action Press(int button) {
  return [button](HWND dialog) { Click(dialog, button); };
}

// Bit i stands for box "CPU i+1".
struct Boxes {
  std::uint32_t enabled = 0;
  std::uint32_t ticked = 0;
};

Boxes ReadBoxes(HWND maskDialog) {
  Boxes boxes;
  for (int bit = 0; bit < 32; ++bit) {
    HWND box = GetDlgItem(maskDialog, IDC_CPU_FIRST + bit);
    if (IsWindowEnabled(box)) boxes.enabled |= 1u << bit;
    if (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) boxes.ticked |= 1u << bit;
  }
  return boxes;
}

void TickBoxes(HWND maskDialog, std::uint32_t mask) {
  for (int bit = 0; bit < 32; ++bit) {
    CheckDlgButton(maskDialog, IDC_CPU_FIRST + bit,
                   (mask >> bit & 1u) ? BST_CHECKED : BST_UNCHECKED);
  }
}

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

class RuleEditorTest : public ShellTest {
 protected:
  // The user interface takes the machine to have the processors of `mask`.
  void PretendSystem(std::uint32_t mask) {
    Context().SystemMask = mask;
    Context().SystemCPUCount = std::popcount(mask);
  }

  // Opens the editor as the rule list does, and returns its result.
  INT_PTR OpenEditor(int index) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RULE_EDIT), MainWindow(),
                           RuleEditDlgProc, index);
  }

  // Opens the mask dialog as the editor does, and returns the mask it gives.
  std::uint32_t OpenMaskDialog(std::uint32_t initial) {
    return static_cast<std::uint32_t>(DialogBoxParamW(GetModuleHandleW(nullptr),
                                                      MAKEINTRESOURCEW(IDD_CPU_MASK), MainWindow(),
                                                      MaskDlgProc, static_cast<LPARAM>(initial)));
  }

  // Presses the rule list's add button with the driver's steps.
  bool PressAdd(ModalDriver& driver) { return driver.Run(ListDialog(), WM_COMMAND, IDC_LIST_ADD); }
  bool PressModify(ModalDriver& driver, int row) {
    SelectRow(row);
    return driver.Run(ListDialog(), WM_COMMAND, IDC_LIST_MODIFY);
  }

  const std::vector<LimitRule>& Rules() { return *Context().MasterRules; }
};

TEST_F(RuleEditorTest, EditorTemplateHoldsItsControlsInDialogUnits) {
  DialogTemplate dialog;
  ASSERT_TRUE(LoadDialogTemplate(IDD_RULE_EDIT, dialog));
  EXPECT_EQ(dialog.style, 0x80C800C0u);
  EXPECT_EQ(dialog.cx, 280);
  EXPECT_EQ(dialog.cy, 120);
  EXPECT_EQ(dialog.caption, L"");
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.font, L"ＭＳ Ｐゴシック");

  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
  constexpr DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
  ExpectDialogItems(
      dialog,
      {
          {L"Static", -1, L"CPUコア数制限対象のプログラム名", 5, 5, 140, 10, kChild | SS_LEFT},
          {L"Edit", IDC_PROGRAM_NAME, L"", 5, 20, 230, 12, kEdit},
          {L"Button", IDC_BROWSE, L"参照(&R)", 240, 19, 30, 14, kButton},
          {L"Static", -1, L"制限対象プロセスで実行するCPUのコア数", 15, 40, 130, 10,
           kChild | SS_RIGHT},
          {L"Edit", IDC_CORE_COUNT, L"", 150, 38, 50, 12, kEdit | ES_NUMBER | ES_RIGHT},
          {L"Static", -1, L"個", 205, 40, 10, 10, kChild | SS_LEFT},
          {L"Static", -1, L"制限対象プロセスのCPUマスク", 15, 60, 130, 10, kChild | SS_RIGHT},
          {L"Edit", IDC_CPU_MASK, L"", 150, 58, 50, 12, kEdit | ES_READONLY | ES_RIGHT},
          {L"Button", IDC_SET_MASK, L"設定(&S)", 205, 57, 40, 14, kButton},
          {L"Button", IDC_LIMIT_ENABLED, L"CPUコア数制限を有効にする(&L)", 130, 75, 120, 10,
           kChild | WS_TABSTOP | BS_AUTOCHECKBOX},
          {L"Button", IDC_ACCEPT, L"", 90, 90, 80, 20, kButton},
          {L"Button", IDC_CANCEL, L"キャンセル(&C)", 180, 90, 80, 20, kButton},
      });
}

TEST_F(RuleEditorTest, MaskTemplateHoldsAGridOf32ProcessorBoxes) {
  DialogTemplate dialog;
  ASSERT_TRUE(LoadDialogTemplate(IDD_CPU_MASK, dialog));
  EXPECT_EQ(dialog.style, 0x80C800C0u);
  EXPECT_EQ(dialog.cx, 185);
  EXPECT_EQ(dialog.cy, 160);
  EXPECT_EQ(dialog.caption, kMaskCaption);
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.font, L"ＭＳ Ｐゴシック");

  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
  std::vector<ExpectedItem> expected = {
      {L"Static", -1, L"CPUコアの実行制限を直接設定します。", 5, 5, 140, 12, kChild | SS_LEFT}};
  for (int n = 1; n <= 32; ++n) {
    const wchar_t digits[] = {static_cast<wchar_t>(L'0' + n / 10),
                              static_cast<wchar_t>(L'0' + n % 10), 0};
    const short column = static_cast<short>((n - 1) / 8);
    const short row = static_cast<short>((n - 1) % 8);
    expected.push_back({L"Button", 1200 + n, std::wstring(L"CPU ") + digits,
                        static_cast<short>(5 + 45 * column), static_cast<short>(18 + 14 * row), 40,
                        12, kChild | WS_TABSTOP | WS_DISABLED | BS_AUTOCHECKBOX});
  }
  expected.push_back({L"Button", IDC_ACCEPT, L"&OK", 25, 130, 60, 20, kButton});
  expected.push_back({L"Button", IDC_CANCEL, L"キャンセル(&C)", 95, 130, 60, 20, kButton});
  ExpectDialogItems(dialog, expected);
}

TEST_F(RuleEditorTest, AddingOpensWithTheSystemCountEnabledAndNoMask) {
  PretendSystem(0xFF);
  EditorFields seen;
  HWND owner = nullptr;
  ModalDriver driver;
  driver.Expect(kAddCaption, [&](HWND editor) {
    seen = ReadEditor(editor);
    owner = GetWindow(editor, GW_OWNER);
    Click(editor, IDC_CANCEL);
  });
  ASSERT_TRUE(PressAdd(driver));
  EXPECT_EQ(seen, (EditorFields{kAddCaption, L"追加(&A)", L"", L"8", L"0x00000000", true}));
  EXPECT_EQ(owner, MainWindow());
  EXPECT_TRUE(Rules().empty());
  EXPECT_EQ(RowCount(), 0);
}

TEST_F(RuleEditorTest, EditingOpensWithTheFieldsOfTheSelectedRule) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"C:\\ツール\\b.exe", -2, 0x5});
  EditorFields seen;
  ModalDriver driver;
  driver.Expect(kEditCaption, [&](HWND editor) {
    seen = ReadEditor(editor);
    Click(editor, IDC_CANCEL);
  });
  ASSERT_TRUE(PressModify(driver, 1));
  EXPECT_EQ(seen, (EditorFields{kEditCaption, L"編集(&E)", L"C:\\ツール\\b.exe", L"2",
                                L"0x00000005", false}));
}

// The menu bar and a double click open the editor exactly as the list's
// buttons do: for adding, or for the row at the selection mark.
TEST_F(RuleEditorTest, MenuItemsAndDoubleClickOpenTheEditorAsTheButtonsDo) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 2, 0});
  SelectRow(1);
  NMHDR doubleClick{ListView(), IDC_RULE_LIST, static_cast<UINT>(NM_DBLCLK)};
  struct Opening {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const wchar_t* caption;
    const wchar_t* name;
  };
  const Opening openings[] = {
      {MainWindow(), WM_COMMAND, ID_ITEM_ADD, 0, kAddCaption, L""},
      {MainWindow(), WM_COMMAND, ID_ITEM_EDIT, 0, kEditCaption, L"b.exe"},
      {ListDialog(), WM_COMMAND, IDC_LIST_MODIFY, 0, kEditCaption, L"b.exe"},
      {ListDialog(), WM_NOTIFY, IDC_RULE_LIST, reinterpret_cast<LPARAM>(&doubleClick), kEditCaption,
       L"b.exe"},
  };
  for (const Opening& opening : openings) {
    SCOPED_TRACE(::testing::Message() << "message " << opening.message << " " << opening.wParam);
    std::wstring name = L"(not opened)";
    ModalDriver driver;
    driver.Expect(opening.caption, [&](HWND editor) {
      name = ItemText(editor, IDC_PROGRAM_NAME);
      Click(editor, IDC_CANCEL);
    });
    EXPECT_TRUE(driver.Run(opening.window, opening.message, opening.wParam, opening.lParam));
    EXPECT_EQ(name, opening.name);
  }
  EXPECT_EQ(Rules().size(), 2u);
}

struct AddCase {
  const wchar_t* name;
  const wchar_t* count;
  bool enabled;
  LimitRule stored;
  const wchar_t* cells[4];
};

class RuleAddTest : public RuleEditorTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(RuleAddTest, StoresTheClampedRuleAndShowsItsRow) {
  PretendSystem(0xFF);
  AddRule({u"first.exe", 1, 0});
  const AddCase& c = GetParam();
  ModalDriver driver;
  driver.Expect(kAddCaption, FillAndClick(c.name, c.count, c.enabled, IDC_ACCEPT));
  ASSERT_TRUE(PressAdd(driver));
  const std::vector<LimitRule> expected = {{u"first.exe", 1, 0}, c.stored};
  EXPECT_EQ(Rules(), expected);
  ASSERT_EQ(RowCount(), 2);
  for (int column = 0; column < 4; ++column) EXPECT_EQ(CellText(1, column), c.cells[column]);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RuleAddTest,
    ::testing::Values(AddCase{L"notepad.exe",
                              L"3",
                              false,
                              {u"notepad.exe", -3, 0},
                              {L"notepad.exe", L"3", L"0x00000000", L"無効"}},
                      AddCase{L"notepad.exe",
                              L"3",
                              true,
                              {u"notepad.exe", 3, 0},
                              {L"notepad.exe", L"3", L"0x00000000", L"有効"}},
                      AddCase{L"notepad.exe",
                              L"12",
                              true,
                              {u"notepad.exe", 8, 0},
                              {L"notepad.exe", L"8", L"0x00000000", L"有効"}},
                      AddCase{L"notepad.exe",
                              L"12",
                              false,
                              {u"notepad.exe", -8, 0},
                              {L"notepad.exe", L"8", L"0x00000000", L"無効"}},
                      AddCase{L"notepad.exe",
                              L"0",
                              true,
                              {u"notepad.exe", 0, 0},
                              {L"notepad.exe", L"0", L"0x00000000", L"無効"}},
                      AddCase{L"notepad.exe",
                              L"",
                              true,
                              {u"notepad.exe", 0, 0},
                              {L"notepad.exe", L"0", L"0x00000000", L"無効"}},
                      // Too many digits for 32 bits is still too many cores.
                      AddCase{L"notepad.exe",
                              L"99999999999",
                              true,
                              {u"notepad.exe", 8, 0},
                              {L"notepad.exe", L"8", L"0x00000000", L"有効"}},
                      AddCase{L"notepad.exe",
                              L"4294967295",
                              false,
                              {u"notepad.exe", -8, 0},
                              {L"notepad.exe", L"8", L"0x00000000", L"無効"}},
                      // Blanks are a name.
                      AddCase{L" ", L"2", true, {u" ", 2, 0}, {L" ", L"2", L"0x00000000", L"有効"}},
                      AddCase{
                          L"C:\\Program Files\\ツール\\tool.exe",
                          L"1",
                          true,
                          {u"C:\\Program Files\\ツール\\tool.exe", 1, 0},
                          {L"C:\\Program Files\\ツール\\tool.exe", L"1", L"0x00000000", L"有効"}}));

TEST_F(RuleEditorTest, AddedAndEditedRulesReachTheEngine) {
  PretendSystem(0xFF);
  FakeEngine engine(Context(), {u"C:\\x\\notepad.exe", u"C:\\y\\other.exe"});
  {
    ModalDriver driver;
    driver.Expect(kAddCaption, FillAndClick(L"NotePad.exe", L"1", true, IDC_ACCEPT));
    ASSERT_TRUE(PressAdd(driver));
  }
  auto narrowed = engine.Pass();
  ASSERT_EQ(narrowed.size(), 1u);
  EXPECT_EQ(std::popcount(narrowed.at(0)), 1);
  {
    ModalDriver driver;
    driver.Expect(kEditCaption, FillAndClick(L"notepad.exe", L"3", true, IDC_ACCEPT));
    ASSERT_TRUE(PressModify(driver, 0));
  }
  narrowed = engine.Pass();
  EXPECT_EQ(std::popcount(narrowed.at(0)), 3);
}

TEST_F(RuleEditorTest, EmptyNameIsRefusedAndTheInputStays) {
  PretendSystem(0xFF);
  HWND editor = nullptr;
  MessageBoxSeen box;
  EditorFields after;
  ModalDriver driver;
  driver
      .Expect(kAddCaption,
              [&](HWND dialog) {
                editor = dialog;
                FillEditor(dialog, L"", L"3", false);
                Click(dialog, IDC_ACCEPT);
              })
      .Expect(kErrorCaption, ReadMessageBox(box))
      .Expect(kAddCaption, [&](HWND dialog) {
        after = ReadEditor(dialog);
        EXPECT_EQ(dialog, editor);
        SetDlgItemTextW(dialog, IDC_PROGRAM_NAME, L"a.exe");
        Click(dialog, IDC_ACCEPT);
      });
  ASSERT_TRUE(PressAdd(driver));
  EXPECT_EQ(box.text, L"対象のプロセス名が入力されていません。");
  EXPECT_EQ(box.owner, editor);
  EXPECT_TRUE(box.errorIcon);
  EXPECT_EQ(after, (EditorFields{kAddCaption, L"追加(&A)", L"", L"3", L"0x00000000", false}));
  const std::vector<LimitRule> expected = {{u"a.exe", -3, 0}};
  EXPECT_EQ(Rules(), expected);
}

TEST_F(RuleEditorTest, AddingAListedNameIsRefusedWhateverItsCase) {
  AddRule({u"notepad.exe", 1, 0});
  HWND editor = nullptr;
  MessageBoxSeen box;
  ModalDriver driver;
  driver
      .Expect(kAddCaption,
              [&](HWND dialog) {
                editor = dialog;
                FillEditor(dialog, L"NOTEPAD.EXE", L"2", true);
                Click(dialog, IDC_ACCEPT);
              })
      .Expect(kErrorCaption, ReadMessageBox(box))
      .Expect(kAddCaption, Press(IDC_CANCEL));
  ASSERT_TRUE(PressAdd(driver));
  EXPECT_EQ(box.text, L"すでに対象のプロセスは登録されています。");
  EXPECT_EQ(box.owner, editor);
  EXPECT_TRUE(box.errorIcon);
  const std::vector<LimitRule> unchanged = {{u"notepad.exe", 1, 0}};
  EXPECT_EQ(Rules(), unchanged);
  EXPECT_EQ(RowCount(), 1);
}

TEST_F(RuleEditorTest, EditingMayGiveANameThatAnotherRuleHas) {
  AddRule({u"notepad.exe", 1, 0});
  AddRule({u"other.exe", 2, 0});
  ModalDriver driver;
  driver.Expect(kEditCaption, FillAndClick(L"notepad.exe", L"2", true, IDC_ACCEPT));
  ASSERT_TRUE(PressModify(driver, 1));
  const std::vector<LimitRule> expected = {{u"notepad.exe", 1, 0}, {u"notepad.exe", 2, 0}};
  EXPECT_EQ(Rules(), expected);
  EXPECT_EQ(CellText(1, 0), L"notepad.exe");
}

TEST_F(RuleEditorTest, EditingARowThatIsGoneKeepsTheDialogOpenWithoutAMessage) {
  AddRule({u"a.exe", 1, 0});
  HWND editor = nullptr;
  bool stillOpen = false;
  ModalDriver driver;
  driver
      .Expect(kEditCaption,
              [&](HWND dialog) {
                editor = dialog;
                FillEditor(dialog, L"b.exe", L"1", true);
                Click(dialog, IDC_ACCEPT);
              })
      .Expect(kEditCaption, [&](HWND dialog) {
        stillOpen = dialog == editor;
        Click(dialog, IDC_CANCEL);
      });
  EXPECT_EQ(OpenEditor(3), 0);
  EXPECT_TRUE(stillOpen);
  const std::vector<LimitRule> unchanged = {{u"a.exe", 1, 0}};
  EXPECT_EQ(Rules(), unchanged);
}

// Removes row `row` as the delete button does, from inside a modal step
// (without pumping messages).
void DeleteRowBehindTheEditor(HWND listDialog, int row) {
  HWND listView = GetDlgItem(listDialog, IDC_RULE_LIST);
  SendMessageW(listView, LVM_SETSELECTIONMARK, 0, row);
  SendMessageW(listDialog, WM_COMMAND, IDC_LIST_DELETE, 0);
}

// An editor stores into the row it was opened for, wherever that row has
// moved while it was open.
TEST_F(RuleEditorTest, EditorStoresTheRowItWasOpenedForAfterRowsMove) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 1, 0});
  AddRule({u"c.exe", 1, 0});
  ModalDriver driver;
  driver.Expect(kEditCaption, [&](HWND editor) {
    DeleteRowBehindTheEditor(ListDialog(), 0);
    FillEditor(editor, L"b2.exe", L"1", true);
    Click(editor, IDC_ACCEPT);
  });
  ASSERT_TRUE(PressModify(driver, 1));
  const std::vector<LimitRule> expected = {{u"b2.exe", 1, 0}, {u"c.exe", 1, 0}};
  EXPECT_EQ(Rules(), expected);
  EXPECT_EQ(CellText(0, 0), L"b2.exe");
  EXPECT_EQ(CellText(1, 0), L"c.exe");
}

// An editor whose row has gone stores nothing and says nothing: it stays
// open until cancelled. Rows made anew (a loaded file) are other rows.
TEST_F(RuleEditorTest, EditorWhoseRowIsGoneStoresNothing) {
  for (const bool reloaded : {false, true}) {
    SCOPED_TRACE(reloaded ? "rules replaced" : "row deleted");
    Context().MasterRules->clear();
    SendMessageW(ListView(), LVM_DELETEALLITEMS, 0, 0);
    AddRule({u"a.exe", 1, 0});
    AddRule({u"b.exe", 1, 0});
    AddRule({u"c.exe", 1, 0});
    HWND opened = nullptr;
    bool stillOpen = false;
    ModalDriver driver;
    driver
        .Expect(kEditCaption,
                [&](HWND editor) {
                  opened = editor;
                  if (reloaded) {
                    // The same rules, as a settings file holding them gives them.
                    const std::vector<LimitRule> same = *Context().MasterRules;
                    SendMessageW(ListView(), LVM_DELETEALLITEMS, 0, 0);
                    Context().MasterRules->clear();
                    for (const LimitRule& rule : same) AddRule(rule);
                  } else {
                    DeleteRowBehindTheEditor(ListDialog(), 1);
                  }
                  FillEditor(editor, L"b2.exe", L"1", true);
                  Click(editor, IDC_ACCEPT);
                })
        .Expect(kEditCaption, [&](HWND editor) {
          stillOpen = editor == opened;
          Click(editor, IDC_CANCEL);
        });
    ASSERT_TRUE(PressModify(driver, 1));
    EXPECT_TRUE(stillOpen);
    const std::vector<LimitRule> expected =
        reloaded ? std::vector<LimitRule>{{u"a.exe", 1, 0}, {u"b.exe", 1, 0}, {u"c.exe", 1, 0}}
                 : std::vector<LimitRule>{{u"a.exe", 1, 0}, {u"c.exe", 1, 0}};
    EXPECT_EQ(Rules(), expected);
  }
}

// While the editor is open, the list's buttons and the menu's commands open
// no second editor: the first comes forward, and stores into its own row.
TEST_F(RuleEditorTest, NoSecondEditorOpensBehindTheFirst) {
  AddRule({u"a.exe", 1, 0});
  AddRule({u"b.exe", 1, 0});
  HWND opened = nullptr;
  bool alone = false;
  ModalDriver driver;
  driver
      .Expect(kEditCaption,
              [&](HWND editor) {
                opened = editor;
                SendMessageW(ListView(), LVM_SETSELECTIONMARK, 0, 0);
                PostMessageW(ListDialog(), WM_COMMAND, IDC_LIST_MODIFY, 0);
                PostMessageW(ListDialog(), WM_COMMAND, IDC_LIST_ADD, 0);
                PostMessageW(MainWindow(), WM_COMMAND, ID_ITEM_EDIT, 0);
                PostMessageW(MainWindow(), WM_COMMAND, ID_SAVE_SETTINGS, 0);
              })
      .Expect(kEditCaption, [&](HWND editor) {
        alone = editor == opened && GetForegroundWindow() == editor;
        FillEditor(editor, L"b2.exe", L"2", true);
        Click(editor, IDC_ACCEPT);
      });
  ASSERT_TRUE(PressModify(driver, 1));
  EXPECT_TRUE(alone);
  const std::vector<LimitRule> expected = {{u"a.exe", 1, 0}, {u"b2.exe", 2, 0}};
  EXPECT_EQ(Rules(), expected);
}

// Return and Escape leave the editor open (it has no default button and no
// case for them); the close box and the cancel button close it with 0, a
// stored rule with 1.
TEST_F(RuleEditorTest, EndsWithOneOnlyWhenARuleWasStored) {
  {
    ModalDriver driver;
    driver.Expect(kAddCaption, FillAndClick(L"a.exe", L"1", true, IDC_ACCEPT));
    EXPECT_EQ(OpenEditor(-1), 1);
  }
  {
    ModalDriver driver;
    driver.Expect(kAddCaption, FillAndClick(L"b.exe", L"1", true, IDC_CANCEL));
    EXPECT_EQ(OpenEditor(-1), 0);
  }
  {
    HWND editor = nullptr;
    std::vector<HWND> seen;
    ModalDriver driver;
    driver
        .Expect(kAddCaption,
                [&](HWND dialog) {
                  editor = dialog;
                  FillEditor(dialog, L"c.exe", L"1", true);
                  // Keys go through the dialog's keyboard handling.
                  HWND name = GetDlgItem(dialog, IDC_PROGRAM_NAME);
                  SetFocus(name);
                  PostMessageW(name, WM_KEYDOWN, VK_ESCAPE, 0);
                })
        .Expect(kAddCaption,
                [&](HWND dialog) {
                  seen.push_back(dialog);
                  PostMessageW(GetDlgItem(dialog, IDC_PROGRAM_NAME), WM_KEYDOWN, VK_RETURN, 0);
                })
        .Expect(kAddCaption, [&](HWND dialog) {
          seen.push_back(dialog);
          PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
    EXPECT_EQ(OpenEditor(-1), 0);
    EXPECT_EQ(seen, std::vector<HWND>(2, editor));
  }
  const std::vector<LimitRule> stored = {{u"a.exe", 1, 0}};
  EXPECT_EQ(Rules(), stored);
}

TEST_F(RuleEditorTest, MaskDialogShowsTheMachinesProcessors) {
  // The machine's own figures, as start-up measured them.
  const std::uint32_t system = Context().SystemMask;
  ASSERT_NE(system, 0u);
  Boxes boxes;
  std::wstring caption;
  HWND owner = nullptr;
  ModalDriver driver;
  driver.Expect(kMaskCaption, [&](HWND dialog) {
    boxes = ReadBoxes(dialog);
    caption = WindowText(dialog);
    owner = GetWindow(dialog, GW_OWNER);
    Click(dialog, IDC_ACCEPT);
  });
  // No mask shows every processor of the system ticked; all of them ticked
  // is no mask.
  EXPECT_EQ(OpenMaskDialog(0), 0u);
  EXPECT_EQ(boxes.enabled, system);
  EXPECT_EQ(boxes.ticked, system);
  EXPECT_EQ(owner, MainWindow());
}

enum class MaskClose { kAccept, kCancel, kCloseBox };

struct MaskCase {
  const char* name;
  std::uint32_t system;
  std::uint32_t initial;
  Boxes shown;
  std::optional<std::uint32_t> tick;  // what the user ticks before closing
  MaskClose close;
  std::uint32_t result;
};

class MaskDialogTest : public RuleEditorTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(MaskDialogTest, ShowsTheBoxesAndGivesTheMask) {
  const MaskCase& c = GetParam();
  PretendSystem(c.system);
  Boxes shown;
  ModalDriver driver;
  driver.Expect(kMaskCaption, [&](HWND dialog) {
    shown = ReadBoxes(dialog);
    if (c.tick) TickBoxes(dialog, *c.tick);
    switch (c.close) {
      case MaskClose::kAccept:
        Click(dialog, IDC_ACCEPT);
        break;
      case MaskClose::kCancel:
        Click(dialog, IDC_CANCEL);
        break;
      case MaskClose::kCloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
  });
  EXPECT_EQ(OpenMaskDialog(c.initial), c.result);
  EXPECT_EQ(shown.enabled, c.shown.enabled);
  EXPECT_EQ(shown.ticked, c.shown.ticked);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskDialogTest,
    ::testing::Values(
        MaskCase{"TwoOfEight", 0xFF, 0, {0xFF, 0xFF}, 0x5, MaskClose::kAccept, 0x5},
        MaskCase{"AllIsNoMask", 0xFF, 0x5, {0xFF, 0x5}, 0xFF, MaskClose::kAccept, 0},
        MaskCase{"NoneIsNoMask", 0xFF, 0x5, {0xFF, 0x5}, 0x0, MaskClose::kAccept, 0},
        MaskCase{"UnchangedAccept", 0xFF, 0x5, {0xFF, 0x5}, std::nullopt, MaskClose::kAccept, 0x5},
        MaskCase{"CancelGivesTheOpeningMask", 0xFF, 0x5, {0xFF, 0x5}, 0x3, MaskClose::kCancel, 0x5},
        MaskCase{
            "CloseBoxGivesTheOpeningMask", 0xFF, 0x5, {0xFF, 0x5}, 0x3, MaskClose::kCloseBox, 0x5},
        MaskCase{"CancelNoMask", 0xFF, 0, {0xFF, 0xFF}, 0x1, MaskClose::kCancel, 0},
        // Processors the system lacks are neither enabled nor ticked.
        MaskCase{
            "FourProcessorsMaskBeyond", 0xF, 0x10, {0xF, 0x0}, std::nullopt, MaskClose::kAccept, 0},
        MaskCase{"Bit31Cancelled",
                 0x3,
                 0x80000001,
                 {0x3, 0x1},
                 std::nullopt,
                 MaskClose::kCancel,
                 0x80000001},
        // A system without processor 1: the box of processor 2 still counts.
        MaskCase{"GapInTheSystem", 0x5, 0, {0x5, 0x5}, 0x4, MaskClose::kAccept, 0x4},
        MaskCase{"GapInTheSystemAll", 0x5, 0, {0x5, 0x5}, 0x5, MaskClose::kAccept, 0},
        MaskCase{"ThirtyTwoProcessors",
                 0xFFFFFFFF,
                 0,
                 {0xFFFFFFFF, 0xFFFFFFFF},
                 0x80000000,
                 MaskClose::kAccept,
                 0x80000000}),
    [](const ::testing::TestParamInfo<MaskCase>& info) { return std::string(info.param.name); });

TEST_F(RuleEditorTest, MaskButtonSetsCountAndMaskAndAChangedCountDropsTheMask) {
  PretendSystem(0xFF);
  EditorFields afterMask;
  {
    ModalDriver driver;
    driver.Expect(kAddCaption, FillAndClick(L"a.exe", L"8", true, IDC_SET_MASK))
        .Expect(kMaskCaption,
                [](HWND dialog) {
                  TickBoxes(dialog, 0x5);  // CPU 01 and CPU 03
                  Click(dialog, IDC_ACCEPT);
                })
        .Expect(kAddCaption, [&](HWND editor) {
          afterMask = ReadEditor(editor);
          Click(editor, IDC_ACCEPT);
        });
    ASSERT_TRUE(PressAdd(driver));
  }
  EXPECT_EQ(afterMask.count, L"2");
  EXPECT_EQ(afterMask.mask, L"0x00000005");
  EXPECT_EQ(Rules(), std::vector<LimitRule>({{u"a.exe", 2, 0x5}}));
  EXPECT_EQ(CellText(0, 2), L"0x00000005");
  {
    ModalDriver driver;
    driver.Expect(kEditCaption, FillAndClick(L"a.exe", L"3", true, IDC_ACCEPT));
    ASSERT_TRUE(PressModify(driver, 0));
  }
  EXPECT_EQ(Rules(), std::vector<LimitRule>({{u"a.exe", 3, 0}}));
}

struct MaskButtonCase {
  const char* name;
  std::uint32_t system;
  std::optional<LimitRule> edited;  // none: adding
  std::optional<std::uint32_t> tick;
  MaskClose close;
  const wchar_t* count;
  const wchar_t* mask;
};

class MaskButtonTest : public RuleEditorTest,
                       public ::testing::WithParamInterface<MaskButtonCase> {};

// The mask dialog's result always rewrites both fields, also when it was
// cancelled: the count becomes the mask's processors, or the system's for
// no mask. The enabled box is left alone.
TEST_P(MaskButtonTest, RewritesCountAndMaskFields) {
  const MaskButtonCase& c = GetParam();
  PretendSystem(c.system);
  if (c.edited) AddRule(*c.edited);
  EditorFields after;
  ModalDriver driver;
  driver
      .Expect(c.edited ? kEditCaption : kAddCaption,
              [](HWND editor) {
                SetDlgItemTextW(editor, IDC_CORE_COUNT, L"7");
                CheckDlgButton(editor, IDC_LIMIT_ENABLED, BST_UNCHECKED);
                Click(editor, IDC_SET_MASK);
              })
      .Expect(kMaskCaption,
              [&](HWND dialog) {
                if (c.tick) TickBoxes(dialog, *c.tick);
                if (c.close == MaskClose::kCloseBox) {
                  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                } else {
                  Click(dialog, c.close == MaskClose::kAccept ? IDC_ACCEPT : IDC_CANCEL);
                }
              })
      .Expect(c.edited ? kEditCaption : kAddCaption, [&](HWND editor) {
        after = ReadEditor(editor);
        Click(editor, IDC_CANCEL);
      });
  EXPECT_EQ(OpenEditor(c.edited ? 0 : -1), 0);
  EXPECT_EQ(after.count, c.count);
  EXPECT_EQ(after.mask, c.mask);
  EXPECT_FALSE(after.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Results, MaskButtonTest,
    ::testing::Values(MaskButtonCase{"CancelOnAMask", 0xFF, LimitRule{u"a.exe", 2, 0x5},
                                     std::nullopt, MaskClose::kCancel, L"2", L"0x00000005"},
                      MaskButtonCase{"CloseBoxOnNoMask", 0xFF, std::nullopt, std::nullopt,
                                     MaskClose::kCloseBox, L"8", L"0x00000000"},
                      MaskButtonCase{"CancelOnBit31", 0x3, LimitRule{u"a.exe", 2, 0x80000001},
                                     std::nullopt, MaskClose::kCancel, L"2", L"0x80000001"},
                      MaskButtonCase{"AllTicked", 0xFF, LimitRule{u"a.exe", 2, 0x5}, 0xFF,
                                     MaskClose::kAccept, L"8", L"0x00000000"},
                      MaskButtonCase{"NoneTicked", 0xFF, LimitRule{u"a.exe", 2, 0x5}, 0x0,
                                     MaskClose::kAccept, L"8", L"0x00000000"},
                      MaskButtonCase{"ThreeTicked", 0xFF, std::nullopt, 0x31, MaskClose::kAccept,
                                     L"3", L"0x00000031"}),
    [](const ::testing::TestParamInfo<MaskButtonCase>& info) {
      return std::string(info.param.name);
    });

TEST_F(RuleEditorTest, BrowseFillsTheNameWithTheChosenFullPath) {
  const std::wstring program = ThisProgram();
  HWND editor = nullptr;
  FileChooserSeen chooser;
  std::wstring name;
  ModalDriver driver;
  driver
      .Expect(kAddCaption,
              [&](HWND dialog) {
                editor = dialog;
                SetDlgItemTextW(dialog, IDC_PROGRAM_NAME, L"notepad.exe");
                Click(dialog, IDC_BROWSE);
              })
      .Expect(kBrowseCaption, AnswerFileChooser(program, &chooser))
      .Expect(kAddCaption, [&](HWND dialog) {
        name = ItemText(dialog, IDC_PROGRAM_NAME);
        Click(dialog, IDC_CANCEL);
      });
  ASSERT_TRUE(PressAdd(driver));
  EXPECT_EQ(_wcsicmp(name.c_str(), program.c_str()), 0) << name;
  EXPECT_EQ(chooser.owner, editor);
  EXPECT_EQ(chooser.initialName, L"notepad.exe");
  EXPECT_EQ(chooser.filters,
            std::vector<std::wstring>({L"実行ファイル (*.exe)", L"すべてのファイル (*.*)"}));
  EXPECT_EQ(chooser.selectedFilter, 0);
}

TEST_F(RuleEditorTest, CancelledBrowseKeepsTheName) {
  std::wstring name;
  ModalDriver driver;
  driver.Expect(kAddCaption, FillAndClick(L"notepad.exe", L"1", true, IDC_BROWSE))
      .Expect(kBrowseCaption, AnswerFileChooser(L""))
      .Expect(kAddCaption, [&](HWND dialog) {
        name = ItemText(dialog, IDC_PROGRAM_NAME);
        Click(dialog, IDC_CANCEL);
      });
  ASSERT_TRUE(PressAdd(driver));
  EXPECT_EQ(name, L"notepad.exe");
}

}  // namespace
}  // namespace tarrowin::testing
