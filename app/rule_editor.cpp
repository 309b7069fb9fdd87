// The rule edit dialog. Its template is not part of the program yet, so
// opening it fails at once and the add and modify commands open nothing.
#include "app/rule_editor.h"

namespace tarrowin {

INT_PTR CALLBACK RuleEditDlgProc(HWND /*dialog*/, UINT /*message*/, WPARAM /*wParam*/,
                                 LPARAM /*lParam*/) {
  return FALSE;
}

}  // namespace tarrowin
