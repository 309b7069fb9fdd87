// What the tests of tarrowin-cli share: where the program is, and its
// output split into lines.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/files/run_program.h"

namespace tarrowin::testing_cli {

inline std::u16string Cli() {
  const std::filesystem::path folder(testing_files::ThisProgramFolder());
  return (folder / TARROWIN_CLI_RELATIVE).lexically_normal().u16string();
}

// "ab\r\ncd\n" -> {"ab", "cd"}: Windows builds end their lines with CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace tarrowin::testing_cli
