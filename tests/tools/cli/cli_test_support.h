// What the tests of tarrowin-cli share: where the program is, the rule
// sections they give it, and its output split into lines.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/tools/run_program.h"

namespace tarrowin::testing_cli {

inline std::u16string Cli() {
  const std::filesystem::path folder(testing_tools::ThisProgramFolder());
  return (folder / TARROWIN_CLI_RELATIVE).lexically_normal().u16string();
}

// A mask as the program prints it: "0x0000000f".
inline std::string Hex8(std::uint32_t mask) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", mask);
  return text;
}

// A rule section of a settings file, its lines ended with `eol`.
inline std::string Section(int number, const std::string& name, int count, std::uint32_t mask,
                           std::string_view eol = "\n") {
  // Appended piece by piece: "literal" + std::string trips a false
  // -Wrestrict warning of GCC 12 in optimised builds.
  std::string text = "[tarrowin";
  text += std::to_string(number);
  text += "]";
  text += eol;
  text += "ProcessName=";
  text += name;
  text += eol;
  text += "CPUCount=";
  text += std::to_string(count);
  text += eol;
  text += "CPUMask=";
  text += Hex8(mask);
  text += eol;
  return text;
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
