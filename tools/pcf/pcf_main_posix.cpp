// Entry function of pcf on POSIX systems: arguments arrive as UTF-8.
#include <string>
#include <vector>

#include "settings/utf8.h"
#include "tools/pcf/pcf_console.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string arg(argv[i]);
    std::u16string wide(arg.size() + 1, u'\0');
    const int units = tarrowin::Utf8ToWide(wide.data(), arg.c_str(), static_cast<int>(wide.size()));
    wide.resize(units < 0 ? 0 : static_cast<std::size_t>(units));
    args.push_back(std::move(wide));
  }
  tarrowin::CStdConsole console;
  return console.Finish(tarrowin::RunPcf(args, console));
}
