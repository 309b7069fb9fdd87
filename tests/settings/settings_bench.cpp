// Load and save of a settings file of 10,000 sections (3 keys each).
// Targets: under 50 ms each.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "settings/settings_document.h"
#include "tests/settings/settings_bench_file.h"

namespace {

std::filesystem::path BenchFolder() {
  const auto dir = std::filesystem::temp_directory_path() / "tarrowin-bench";
  std::filesystem::create_directories(dir);
  return dir;
}

const std::u16string& LargeFile() {
  static const std::u16string path = [] {
    const auto file = BenchFolder() / "large.ini";
    std::ofstream(file, std::ios::binary) << tarrowin::bench::MakeSettingsText(10000);
    return file.u16string();
  }();
  return path;
}

void BM_LoadSettings(benchmark::State& state) {
  tarrowin::CSettingsDocument document;
  for (auto _ : state) {
    if (document.LoadFile(LargeFile().c_str()) != 1) state.SkipWithError("load failed");
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(LargeFile())));
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
  tarrowin::CSettingsDocument document;
  document.LoadFile(LargeFile().c_str());
  const std::u16string target = (BenchFolder() / "saved.ini").u16string();
  for (auto _ : state) {
    if (document.SaveFile(target.c_str(), nullptr, 1) != 1) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
