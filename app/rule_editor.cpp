// The rule edit dialog: its procedure, the fields for adding and editing,
// acceptance with its two messages, the browse button and the mask button.
#include "app/rule_editor.h"

#include <climits>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/application.h"
#include "app/file_chooser.h"
#include "app/file_filters.h"
#include "app/mask_dialog.h"
#include "app/modal_windows.h"
#include "app/normalize_rule.h"
#include "app/resource.h"
#include "app/rule_cells.h"
#include "app/rule_list_dialog.h"
#include "app/wide_text.h"
#include "engine/affinity_rules.h"
#include "settings/number_text.h"

namespace tarrowin {
namespace {

// Field buffers in UTF-16 units, the terminator included.
constexpr int kNameCapacity = 2048;
constexpr int kNumberCapacity = 64;  // the count and mask fields
constexpr int kMaskButtonCapacity = 256;

// What an open editor stores into, kept with its window (DWLP_USER), so
// that it is the row the editor was opened for whatever happens meanwhile:
// kAdding, or that row's identity (0 when there was no such row).
constexpr LONG_PTR kAdding = -1;

std::wstring ItemText(HWND dialog, int id, int capacity) {
  std::vector<wchar_t> text(capacity);
  GetDlgItemTextW(dialog, id, text.data(), capacity);
  return text.data();
}

void SetMaskField(HWND dialog, std::uint32_t mask) {
  SetDlgItemTextW(dialog, IDC_CPU_MASK, AsWide(MaskText(mask).c_str()));
}

void ShowError(HWND dialog, const wchar_t* text) {
  const CModalScope modal;
  MessageBoxW(dialog, text, L"エラー", MB_ICONERROR);
}

// The count field as a core count. A number too large for a count is kept
// as the largest one, which NormalizeRule then cuts to the system's count;
// a text that is not a number gives 0.
std::int32_t ReadCoreCount(HWND dialog) {
  BOOL translated = FALSE;
  UINT value = GetDlgItemInt(dialog, IDC_CORE_COUNT, &translated, FALSE);
  if (!translated) {
    const std::wstring text = ItemText(dialog, IDC_CORE_COUNT, kNumberCapacity);
    const bool digits =
        !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
    value = digits ? UINT_MAX : 0;  // digits that overflow 32 bits
  }
  return value > INT_MAX ? INT_MAX : static_cast<std::int32_t>(value);
}

// The mask button: the mask dialog opens on the field's mask. Its result
// (the opening mask when cancelled) rewrites the mask field and the count
// field: the mask's processors, or all of the system's for no mask.
void EditMask(HWND dialog) {
  AppContext& context = *CurrentAppContext();
  const std::wstring text = ItemText(dialog, IDC_CPU_MASK, kMaskButtonCapacity);
  const auto initial = static_cast<std::uint32_t>(ParseNumber(AsUtf16(text.c_str())));
  std::uint32_t mask;
  {
    const CModalScope modal;
    mask = static_cast<std::uint32_t>(DialogBoxParamW(context.App->Instance(),
                                                      MAKEINTRESOURCEW(IDD_CPU_MASK), dialog,
                                                      MaskDlgProc, static_cast<LPARAM>(initial)));
  }
  const int count = mask != 0 ? CountBits(mask) : context.SystemCPUCount;
  SetDlgItemInt(dialog, IDC_CORE_COUNT, static_cast<UINT>(count), FALSE);
  SetMaskField(dialog, mask);
}

bool ListsName(const std::vector<LimitRule>& rules, const std::wstring& name) {
  for (const LimitRule& rule : rules) {
    if (lstrcmpiW(AsWide(rule.ProcessName.c_str()), name.c_str()) == 0) return true;
  }
  return false;
}

}  // namespace

INT_PTR CALLBACK RuleEditDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const int index = static_cast<int>(lParam);
      InitRuleEditor(dialog, index);
      HWND listView = GetDlgItem(CurrentAppContext()->ListDialog, IDC_RULE_LIST);
      SetWindowLongPtrW(dialog, DWLP_USER, index < 0 ? kAdding : RuleRowId(listView, index));
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_COMMAND:
      // No case for IDOK and IDCANCEL: Return and Escape leave the dialog
      // open; the close box cancels.
      switch (LOWORD(wParam)) {
        case IDC_ACCEPT:
          if (!AcceptRuleEdit(dialog)) return FALSE;
          EndDialog(dialog, 1);
          return TRUE;
        case IDC_CANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_BROWSE:
          ChooseProgramFile(dialog);
          return FALSE;
        case IDC_SET_MASK:
          EditMask(dialog);
          return FALSE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void InitRuleEditor(HWND dialog, int index) {
  AppContext& context = *CurrentAppContext();
  const std::vector<LimitRule>& rules = *context.MasterRules;
  LimitRule rule{u"", context.SystemCPUCount, 0};
  const bool adding = index < 0;
  if (!adding && static_cast<std::size_t>(index) < rules.size()) rule = rules[index];
  SetWindowTextW(dialog, adding ? L"CPU制限プログラムの追加" : L"CPU制限プログラムの編集");
  SetDlgItemTextW(dialog, IDC_ACCEPT, adding ? L"追加(&A)" : L"編集(&E)");
  SetDlgItemTextW(dialog, IDC_PROGRAM_NAME, AsWide(rule.ProcessName.c_str()));
  SetDlgItemInt(dialog, IDC_CORE_COUNT, CountMagnitude(rule.CPUCount), FALSE);
  SetMaskField(dialog, rule.CPUMask);
  SendDlgItemMessageW(dialog, IDC_LIMIT_ENABLED, BM_SETCHECK,
                      rule.CPUCount > 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int AcceptRuleEdit(HWND dialog) {
  AppContext& context = *CurrentAppContext();
  const std::wstring name = ItemText(dialog, IDC_PROGRAM_NAME, kNameCapacity);
  const std::wstring maskText = ItemText(dialog, IDC_CPU_MASK, kNumberCapacity);
  const bool enabled =
      SendDlgItemMessageW(dialog, IDC_LIMIT_ENABLED, BM_GETCHECK, 0, 0) == BST_CHECKED;
  std::int32_t count = ReadCoreCount(dialog);
  if (!enabled) count = -count;
  // Blanks count as characters: only an empty field is refused.
  if (name.empty()) {
    ShowError(dialog, L"対象のプロセス名が入力されていません。");
    return 0;
  }
  LimitRule rule{ToUtf16(name), count,
                 static_cast<std::uint32_t>(ParseNumber(AsUtf16(maskText.c_str())))};
  NormalizeRule(rule, context.SystemCPUCount);

  std::vector<LimitRule>& rules = *context.MasterRules;
  HWND listView = GetDlgItem(context.ListDialog, IDC_RULE_LIST);
  const LONG_PTR target = GetWindowLongPtrW(dialog, DWLP_USER);
  if (target != kAdding) {
    // The row may have moved or gone since the editor opened. Editing may
    // give a name that another rule has; only adding checks.
    const int row = FindRuleRow(listView, target);
    if (row < 0 || static_cast<std::size_t>(row) >= rules.size() ||
        !UpdateRuleRow(listView, row, rule)) {
      return 0;
    }
    rules[row] = std::move(rule);
  } else {
    if (ListsName(rules, name)) {
      ShowError(dialog, L"すでに対象のプロセスは登録されています。");
      return 0;
    }
    AddRuleRow(listView, rule);
    rules.push_back(std::move(rule));
  }
  context.Engine->SetRules(rules);
  return 1;
}

int ChooseProgramFile(HWND dialog) {
  std::wstring path = ItemText(dialog, IDC_PROGRAM_NAME, kNameCapacity);
  if (ChooseFile(dialog, L"制限するプログラムファイルを選択する", kProgramFilePairs, path, true)) {
    SetDlgItemTextW(dialog, IDC_PROGRAM_NAME, path.c_str());
  }
  return 1;
}

}  // namespace tarrowin
