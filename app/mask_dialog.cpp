// The processor-mask dialog: one box per processor the system has, ticked
// for the processors of the mask it opens with.
#include "app/mask_dialog.h"

#include <cstdint>

#include "app/app_context.h"
#include "app/resource.h"

namespace tarrowin {
namespace {

constexpr int kProcessorBoxes = IDC_CPU_LAST - IDC_CPU_FIRST + 1;

// The mask the dialog was opened with, its result when cancelled or closed,
// is kept with its window (DWLP_USER).
std::uint32_t InitialMask(HWND dialog) {
  return static_cast<std::uint32_t>(GetWindowLongPtrW(dialog, DWLP_USER));
}

bool HasBit(std::uint32_t mask, int bit) { return (mask >> bit & 1u) != 0; }

// Boxes of processors that the system lacks stay disabled and unticked,
// whatever the mask holds. No mask shows all of the system's processors.
void OnInit(HWND dialog, std::uint32_t mask) {
  SetWindowLongPtrW(dialog, DWLP_USER, static_cast<LONG_PTR>(mask));
  const std::uint32_t system = CurrentAppContext()->SystemMask;
  const std::uint32_t shown = mask != 0 ? mask : system;
  for (int bit = 0; bit < kProcessorBoxes; ++bit) {
    if (!HasBit(system, bit)) continue;
    HWND box = GetDlgItem(dialog, IDC_CPU_FIRST + bit);
    EnableWindow(box, TRUE);
    if (HasBit(shown, bit)) SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  }
}

// The ticked processors; all of them, like none, is no explicit mask. Every
// enabled box counts, also those above a processor the system lacks.
std::uint32_t ChosenMask(HWND dialog) {
  std::uint32_t bits = 0;
  for (int bit = 0; bit < kProcessorBoxes; ++bit) {
    HWND box = GetDlgItem(dialog, IDC_CPU_FIRST + bit);
    if (IsWindowEnabled(box) && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) {
      bits |= 1u << bit;
    }
  }
  return bits == CurrentAppContext()->SystemMask ? 0 : bits;
}

}  // namespace

INT_PTR CALLBACK MaskDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, static_cast<std::uint32_t>(lParam));
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, InitialMask(dialog));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ACCEPT:
          EndDialog(dialog, ChosenMask(dialog));
          return TRUE;
        case IDC_CANCEL:
          EndDialog(dialog, InitialMask(dialog));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace tarrowin
