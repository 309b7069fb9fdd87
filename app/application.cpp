// CApplication: command line, single-instance check, window class and main
// window.
#include "app/application.h"

#include <tlhelp32.h>

#include <string_view>
#include <utility>

#include "app/main_window.h"
#include "engine/affinity_rules.h"

namespace tarrowin {
namespace {

constexpr DWORD kModulePathCapacity = 1024;
constexpr UINT kDefaultClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;

std::wstring ModulePath() {
  wchar_t path[kModulePathCapacity] = {};
  GetModuleFileNameW(nullptr, path, kModulePathCapacity);
  return path;
}

// The executable file name of process `id`, empty when it is not found.
std::wstring ProcessFileName(DWORD id) {
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return {};
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID != id) continue;
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    const std::u16string_view name =
        FileNamePart(std::u16string_view(reinterpret_cast<const char16_t*>(entry.szExeFile)));
    return std::wstring(reinterpret_cast<const wchar_t*>(name.data()), name.size());
  }
  return {};
}

bool IsMainWindowClass(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return std::wstring_view(name) == kMainWindowClass;
}

}  // namespace

CApplication::CApplication(HINSTANCE instance, HINSTANCE /*previousInstance*/,
                           const wchar_t* commandLine, int showCommand)
    : instance_(instance), showCommand_(showCommand) {
  if (commandLine == nullptr) return;
  hasCommandLine_ = true;
  commandLine_ = commandLine;
}

int CApplication::CheckSingleInstance(const wchar_t* name) {
  std::wstring mutexName;
  if (name != nullptr) {
    mutexName = name;
  } else {
    // Backslashes would make the name a path into another namespace.
    mutexName = ModulePath();
    for (wchar_t& c : mutexName) {
      if (c == L'\\') c = L'?';
    }
  }

  mutex_.reset(CreateMutexW(nullptr, TRUE, mutexName.c_str()));
  const DWORD created = GetLastError();
  if (!mutex_) return 0;
  if (created == ERROR_ALREADY_EXISTS) {
    const std::wstring path = ModulePath();
    const auto slash = path.find_last_of(L'\\');
    const std::wstring fileName = slash == std::wstring::npos ? path : path.substr(slash + 1);
    EnumWindows(ActivateRunningInstance, reinterpret_cast<LPARAM>(fileName.c_str()));
    return 0;
  }

  // A second look confirms that the mutex is really there under this name.
  UniqueHandle check(CreateMutexW(nullptr, FALSE, mutexName.c_str()));
  const DWORD confirmed = GetLastError();
  if (!check) return 0;
  return confirmed == ERROR_ALREADY_EXISTS ? 1 : 0;
}

BOOL CALLBACK ActivateRunningInstance(HWND window, LPARAM fileName) {
  // Only a main window is brought forward: the other top-level windows of
  // the process (input-method and tooltip windows) must stay hidden.
  if (!IsMainWindowClass(window)) return TRUE;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (ProcessFileName(processId) != reinterpret_cast<const wchar_t*>(fileName)) return TRUE;
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  return FALSE;
}

int CApplication::RegisterWindowClass(const wchar_t* className, WNDPROC windowProc,
                                      const UINT* classStyle, HBRUSH background, HICON icon,
                                      HCURSOR cursor, UniqueMenu menu) {
  if (classAtom_ != 0 || className == nullptr || windowProc == nullptr) return 0;
  className_ = className;
  menu_ = std::move(menu);
  if (icon == nullptr) {
    icon = static_cast<HICON>(
        LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  }
  if (cursor == nullptr) {
    cursor = static_cast<HCURSOR>(
        LoadImageW(nullptr, IDC_ARROW, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = classStyle != nullptr ? *classStyle : kDefaultClassStyle;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance_;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = cursor;
  wc.hbrBackground =
      background != nullptr ? background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = className_.c_str();
  classAtom_ = RegisterClassExW(&wc);
  return classAtom_ != 0 ? 1 : 0;
}

int CApplication::CreateMainWindow(DWORD exStyle, DWORD style, int x, int y, int width,
                                   int height) {
  if (classAtom_ == 0 || mainWindow_ != nullptr) return 0;
  if (width != CW_USEDEFAULT && height != CW_USEDEFAULT) {
    // Grow the client size by the frame, caption and menu, and move the
    // window so that the client area keeps its place.
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, menu_ ? TRUE : FALSE, exStyle);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
    if (x != CW_USEDEFAULT) x += frame.left;
    if (y != CW_USEDEFAULT) y += frame.top;
  }
  HWND window = CreateWindowExW(exStyle, MAKEINTATOM(classAtom_), className_.c_str(), style, x, y,
                                width, height, nullptr, menu_.get(), instance_, nullptr);
  if (window == nullptr) return 0;
  menu_.release();  // destroyed with the window from now on
  mainWindow_ = window;
  ShowWindow(window, showCommand_);
  UpdateWindow(window);
  return 1;
}

}  // namespace tarrowin
