// Times the load and save of the large settings file without Google
// Benchmark, so that the same measurement runs as a Windows program under
// Wine. Prints the best and the median of 20 runs of each.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "settings/settings_document.h"
#include "tests/settings/settings_bench_file.h"

namespace {

template <typename Step>
void Time(const char* name, Step step) {
  std::vector<double> ms;
  for (int run = 0; run < 20; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (!step()) {
      std::printf("%s failed\n", name);
      return;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-5s best %7.2f ms  median %7.2f ms\n", name, ms.front(), ms[ms.size() / 2]);
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "tarrowin-timing";
  std::filesystem::create_directories(dir);
  const auto file = dir / "large.ini";
  std::ofstream(file, std::ios::binary) << tarrowin::bench::MakeSettingsText(10000);
  const std::u16string path = file.u16string();
  const std::u16string saved = (dir / "saved.ini").u16string();
  std::printf("file: %llu bytes, 10000 sections x 3 keys\n",
              static_cast<unsigned long long>(std::filesystem::file_size(file)));

  tarrowin::CSettingsDocument document;
  Time("load", [&] { return document.LoadFile(path.c_str()) == 1; });
  Time("save", [&] { return document.SaveFile(saved.c_str(), nullptr, 1) == 1; });
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
