// Entry function of tarrowin-cli on POSIX: arguments arrive as UTF-8, and
// lines leave as UTF-8.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "settings/utf8.h"
#include "settings/utf8_strict.h"
#include "tools/cli/cli_commands.h"
#include "tools/cli/cli_lines.h"

namespace {

std::string Utf8(std::u16string_view line) {
  const std::u16string text(line);
  std::string out(text.size() * 3 + 2, '\0');
  const int length = tarrowin::WideToUtf8(out.data(), text.c_str(), static_cast<int>(out.size()));
  out.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
  return out + '\n';
}

class CStdConsole final : public tarrowin::ICliConsole {
 public:
  void Out(std::u16string_view line) override { Write(stdout, line, &out_ok_); }
  void Error(std::u16string_view line) override {
    bool ignored = true;
    Write(stderr, line, &ignored);
  }
  bool OutputOk() override {
    const std::lock_guard lock(mutex_);
    return out_ok_;
  }

 private:
  void Write(std::FILE* stream, std::u16string_view line, bool* ok) {
    const std::string bytes = Utf8(line);
    const std::lock_guard lock(mutex_);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() ||
        std::fflush(stream) != 0) {
      *ok = false;
    }
  }

  std::mutex mutex_;
  bool out_ok_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  CStdConsole console;
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg(argv[i]);
    // A name that is not UTF-8 cannot be told apart from another one.
    std::u16string wide(arg.size() + 1, u'\0');
    const auto units = tarrowin::DecodeUtf8Exactly(arg, wide.data(), wide.size());
    if (!units) {
      console.Error(
          tarrowin::Ascii("tarrowin-cli: argument " + std::to_string(i) + " is not UTF-8 text"));
      return 1;
    }
    wide.resize(*units);
    args.push_back(std::move(wide));
  }
  return tarrowin::RunCli(args, console);
}
