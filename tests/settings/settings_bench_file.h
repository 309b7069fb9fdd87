// The large settings file that the load and save timings use: 10,000 rule
// sections of three keys each, as the program writes them.
#pragma once

#include <cstdio>
#include <string>

namespace tarrowin::bench {

inline std::string MakeSettingsText(int sections) {
  std::string text;
  char line[160];
  for (int i = 1; i <= sections; ++i) {
    std::snprintf(line, sizeof line,
                  "[tarrowin%d]\r\nProcessName=tool%d.exe\r\nCPUCount=%d\r\nCPUMask=0x%08x\r\n\r\n",
                  i, i, i % 8 + 1, (1u << (i % 8 + 1)) - 1);
    text += line;
  }
  return text;
}

}  // namespace tarrowin::bench
