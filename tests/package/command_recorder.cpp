// Stands in for a Windows command (schtasks, fltmc, powershell) while the
// logon scripts are tested: copied under the command's name, it appends one
// line to the file named by TARROWIN_RECORD, the name and then each argument
// as the command would parse it, tab-separated, in UTF-8, and exits with
// TARROWIN_EXIT_<NAME> (0 when unset).
// The Windows headers need <windows.h> first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cwctype>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring Environment(const std::wstring& name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(name.c_str(), value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

// "C:\stubs\schtasks.exe" gives "schtasks".
std::wstring CommandName() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring name = self;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.find_last_of(L'.'));
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  return name;
}

}  // namespace

int wmain() {
  const std::wstring name = CommandName();
  std::wstring line = name;
  int count = 0;
  if (wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) line += L"\t" + std::wstring(arguments[i]);
    LocalFree(arguments);
  }
  const std::string record = Utf8(line) + "\n";
  const std::wstring path = Environment(L"TARROWIN_RECORD");
  if (!path.empty()) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  std::wstring exitName = L"TARROWIN_EXIT_" + name;
  for (auto& c : exitName) c = static_cast<wchar_t>(std::towupper(c));
  const std::wstring code = Environment(exitName);
  return code.empty() ? 0 : _wtoi(code.c_str());
}
