// The settings-file commands and the start-up command line.
#include "app/settings_commands.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/application.h"
#include "app/command_line.h"
#include "app/file_chooser.h"
#include "app/file_filters.h"
#include "app/modal_windows.h"
#include "app/resource.h"
#include "app/rule_list_dialog.h"
#include "app/rule_settings.h"
#include "app/wide_text.h"

namespace tarrowin {
namespace {

void ReportError(HWND owner, const wchar_t* text) {
  const CModalScope modal;
  MessageBoxW(owner, text, L"エラー", MB_ICONERROR);
}

void ReportDone(HWND owner, const wchar_t* text) {
  const CModalScope modal;
  MessageBoxW(owner, text, L"処理完了", MB_ICONINFORMATION);
}

}  // namespace

int ApplySettingsDocument(CSettingsDocument& document) {
  AppContext& context = *CurrentAppContext();
  std::vector<LimitRule> rules = RulesFromSettings(document, context.SystemCPUCount);
  // Clearing the list greys the edit and delete commands.
  HWND listView = GetDlgItem(context.ListDialog, IDC_RULE_LIST);
  SendMessageW(listView, LVM_DELETEALLITEMS, 0, 0);
  context.MasterRules->clear();
  for (const LimitRule& rule : rules) AddRuleRow(listView, rule);
  // The engine gets the complete new list before it becomes the master.
  context.Engine->SetRules(rules);
  *context.MasterRules = std::move(rules);
  return 1;
}

void OpenSettingsFile(HWND mainWindow) {
  // One dialog at a time: the one already open comes forward.
  if (BringModalWindowForward(mainWindow)) return;
  std::wstring path;
  if (!ChooseFile(mainWindow, L"設定ファイルを開く", kSettingsFilePairs, path, true)) return;
  CSettingsDocument document;
  if (!document.LoadFile(AsUtf16(path.c_str()))) {
    ReportError(mainWindow, L"読み込みに失敗しました。");
    return;
  }
  ApplySettingsDocument(document);
  ReportDone(mainWindow, L"読み込みが完了しました。");
}

void SaveSettingsFile(HWND mainWindow) {
  if (BringModalWindowForward(mainWindow)) return;
  std::wstring path;
  if (!ChooseFile(mainWindow, L"設定ファイルを保存する", kSettingsFilePairs, path, false)) return;
  CSettingsDocument document;
  RulesToSettings(*CurrentAppContext()->MasterRules, document);
  // Replaces the file as a whole, and only once all of it is written.
  if (document.SaveFile(AsUtf16(path.c_str()), nullptr, 1)) {
    ReportDone(mainWindow, L"保存が完了しました。");
  } else {
    ReportError(mainWindow, L"保存に失敗しました。");
  }
}

void ApplyCommandLine(HWND mainWindow) {
  AppContext& context = *CurrentAppContext();
  std::vector<std::u16string> arguments;
  if (!SplitCommandLine(AsUtf16(context.App->CommandLine()), arguments) || arguments.empty() ||
      arguments.size() > 2) {
    return;
  }
  CSettingsDocument document;
  if (!document.LoadFile(arguments[0].c_str())) return;  // the cycle word goes with it
  ApplySettingsDocument(document);
  if (arguments.size() < 2) return;
  const CycleWord* cycle = FindCycleWord(arguments[1]);
  if (cycle == nullptr) return;
  // The menu command's own path: check mark, period and wake-up.
  SendMessageW(mainWindow, WM_COMMAND, cycle->command, 0);
  if (cycle->hides) {
    ShowWindow(mainWindow, SW_HIDE);
    EnableWindow(mainWindow, FALSE);
  }
}

}  // namespace tarrowin
