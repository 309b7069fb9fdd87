// Writes the seed corpus of the pack decoder fuzz targets from the
// encoders: pack_fuzz_corpus DIR fills DIR/<decoder>/ with a few small
// streams each (tests/files/corpus is its committed output).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/files/fuzz_pack_params.h"
#include "tests/files/pack_stage_test_support.h"
#include "tools/pack_encoders/pack_encoders.h"

int main(int argc, char** argv) {
  using namespace tarrowin;
  using testing_pack::DataKind;
  if (argc != 2) {
    std::fprintf(stderr, "usage: pack_fuzz_corpus DIR\n");
    return 1;
  }
  const std::filesystem::path root = argv[1];
  const std::vector<std::pair<DataKind, std::size_t>> inputs = {
      {DataKind::kText, 1500}, {DataKind::kRandom, 300}, {DataKind::kRuns, 1200},
      {DataKind::kSame, 600},  {DataKind::kText, 1},     {DataKind::kText, 0}};
  const char* const names[] = {"lzss", "huffman", "range", "blocksort"};
  for (int stage = 1; stage <= 4; ++stage) {
    const auto dir = root / names[stage - 1];
    std::filesystem::create_directories(dir);
    int n = 0;
    for (const auto& [kind, size] : inputs) {
      // Block sorting: 256-byte blocks over Huffman, then 512 over the range coder.
      const std::uint8_t parameters = stage == 4 ? static_cast<std::uint8_t>(n % 2) : 0;
      const PackStages stages = fuzzing::FuzzStages(stage, parameters);
      const auto stored = EncodePackStages(stages, testing_pack::MakeData(kind, size, 9));
      std::ofstream out(dir / ("seed_" + std::to_string(n++)), std::ios::binary);
      out.put(static_cast<char>(parameters));
      out.write(reinterpret_cast<const char*>(stored.data()),
                static_cast<std::streamsize>(stored.size()));
    }
  }
  return 0;
}
