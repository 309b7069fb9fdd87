// A fixture that runs the program's real start-up sequence inside the test
// program (whose resources are the program's own), drives the windows with
// messages and tears everything down through the real shutdown.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/app_context.h"
#include "app/shell.h"

namespace tarrowin::testing {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the start-up sequence with `commandLine` (the text after the
  // program path, or null) as the program would get it. SetUp starts with
  // none; a fixture that needs one overrides SetUp and calls this.
  void StartShell(const wchar_t* commandLine);

  AppContext& Context() { return shell_->Context(); }
  HWND MainWindow() const;
  HWND ListDialog() { return Context().ListDialog; }
  HWND ListView();
  HMENU MainMenu() const { return GetMenu(MainWindow()); }

  // State bits of menu item `id` of the menu bar.
  UINT MenuState(UINT id) const;

  // Adds a rule as loading a settings file does: master list, row, engine.
  void AddRule(const LimitRule& rule);
  // Selects row `row` the way a click does: highlight and selection mark.
  void SelectRow(int row);
  std::wstring CellText(int row, int column);
  int RowCount();

  // Shows the window state of the edit and delete commands: menu items,
  // buttons. True when all four are enabled, false when all four are
  // disabled; the test fails when they disagree.
  bool ItemCommandsEnabled();

  std::unique_ptr<CShell> shell_;
};

// Dispatches every message waiting in this thread's queue, the posted ones
// included, until the queue is empty or the quit message arrives. Returns
// true when it did (with exit code 0).
bool PumpMessages();

// Text of menu item `position` of `menu`.
std::wstring MenuText(HMENU menu, UINT position);

}  // namespace tarrowin::testing
