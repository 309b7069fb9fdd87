// Entry function of tarrowin-cli on Windows: UTF-16 arguments; lines go to
// a console as UTF-16 text, and to a file or pipe as UTF-8.
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "settings/utf8.h"
#include "tools/cli/cli_commands.h"

namespace {

class CStdConsole final : public tarrowin::ICliConsole {
 public:
  void Out(std::u16string_view line) override { Write(STD_OUTPUT_HANDLE, line, &out_ok_); }
  void Error(std::u16string_view line) override {
    bool ignored = true;
    Write(STD_ERROR_HANDLE, line, &ignored);
  }
  bool OutputOk() override {
    const std::lock_guard lock(mutex_);
    return out_ok_;
  }

 private:
  void Write(DWORD which, std::u16string_view line, bool* ok) {
    // Windows line ends, also inside the help text.
    std::u16string text;
    for (const char16_t c : line) {
      if (c == u'\n') text += u'\r';
      text += c;
    }
    text += u"\r\n";
    const std::lock_guard lock(mutex_);
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      *ok = false;
      return;
    }
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
      DWORD written = 0;
      if (!WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
          written != text.size()) {
        *ok = false;
      }
      return;
    }
    std::string bytes(text.size() * 3 + 2, '\0');
    const int length =
        tarrowin::WideToUtf8(bytes.data(), text.c_str(), static_cast<int>(bytes.size()));
    bytes.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      *ok = false;
    }
  }

  std::mutex mutex_;
  bool out_ok_ = true;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg(argv[i]);
    args.emplace_back(arg.begin(), arg.end());
  }
  CStdConsole console;
  return tarrowin::RunCli(args, console);
}
