// The common file dialogs.
#include "app/file_chooser.h"

#include <commdlg.h>

#include <array>

#include "app/file_filters.h"
#include "app/modal_windows.h"
#include "app/wide_text.h"

namespace tarrowin {
namespace {

// File-name buffer in UTF-16 units, the terminator included.
constexpr DWORD kPathCapacity = 2048;

// The full structure, as the system has always accepted it.
static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEW) == 88);

}  // namespace

int ChooseFile(HWND owner, const wchar_t* title, const char16_t* pairs, std::wstring& path,
               bool open) {
  const std::u16string filter = FilterText(pairs);
  std::array<wchar_t, kPathCapacity> file{};
  lstrcpynW(file.data(), path.c_str(), kPathCapacity);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.hInstance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  dialog.lpstrFilter = AsWide(filter.c_str());
  dialog.nFilterIndex = 0;  // the first pair
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrTitle = title;
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (open ? OFN_FILEMUSTEXIST : 0);
  BOOL chosen;
  {
    const CModalScope modal;
    chosen = open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
  }
  if (!chosen) return 0;
  path = file.data();
  return 1;
}

}  // namespace tarrowin
