// Child processes on Windows: CreateProcessW with standard output and
// error on temporary files and no console of their own.
#include <windows.h>

#include <string>

#include "tests/tools/run_program.h"

namespace tarrowin::testing_tools {
namespace {

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// Quoted as the runtime's argument parser reads it back.
std::wstring Quote(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

class TempOutput {
 public:
  TempOutput() {
    wchar_t folder[MAX_PATH];
    wchar_t name[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"out", 0, name) == 0) {
      return;
    }
    path_ = name;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    handle_ = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  }
  ~TempOutput() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  HANDLE handle() const { return handle_; }
  std::string Read() const {
    std::string text;
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(handle_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      text.append(buffer, got);
    }
    return text;
  }

 private:
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::u16string ThisProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string folder(path, path + length);
  return folder.substr(0, folder.find_last_of(u"\\/"));
}

ProgramResult RunProgram(const std::u16string& program, const std::vector<std::u16string>& args) {
  ProgramResult result;
  TempOutput out;
  TempOutput err;
  if (out.handle() == INVALID_HANDLE_VALUE || err.handle() == INVALID_HANDLE_VALUE) return result;
  std::wstring command = Quote(Wide(program));
  for (const std::u16string& arg : args) command += L" " + Quote(Wide(arg));
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out.handle();
  startup.hStdError = err.handle();
  PROCESS_INFORMATION info = {};
  const std::wstring path = Wide(program);
  if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &info)) {
    return result;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(info.hProcess, &status);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  result.status = static_cast<int>(status);
  result.out = out.Read();
  result.err = err.Read();
  return result;
}

}  // namespace tarrowin::testing_tools
