// Decoding speed and compressed size of the pack stages on a 16 MiB mix of
// text and binary data, printed beside gzip -6, bzip2 -9 and xz -6 measured
// on the same data in the same run.
//
// The mix is reproducible on the build machine: 8 MiB of the C++ standard
// library headers (/usr/include/c++/12, files in sorted path order) and the
// first 8 MiB of /usr/bin/cmake, both from packages the build needs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "files/pack_stages.h"
#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin {
namespace {

constexpr std::size_t kHalf = 8u << 20;
constexpr int kRepeats = 3;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> BenchmarkData() {
  std::vector<std::uint8_t> data;
  std::vector<std::filesystem::path> headers;
  for (const auto& entry : std::filesystem::recursive_directory_iterator("/usr/include/c++/12")) {
    if (entry.is_regular_file()) headers.push_back(entry.path());
  }
  std::sort(headers.begin(), headers.end());
  for (const auto& path : headers) {
    if (data.size() >= kHalf) break;
    const auto bytes = ReadFile(path);
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  data.resize(std::min(data.size(), kHalf));
  auto binary = ReadFile("/usr/bin/cmake");
  binary.resize(std::min(binary.size(), kHalf));
  data.insert(data.end(), binary.begin(), binary.end());
  if (data.size() != 2 * kHalf) {
    std::fprintf(stderr, "bench: expected 16 MiB of data, found %zu bytes\n", data.size());
    std::exit(1);
  }
  return data;
}

struct Combination {
  const char* name;
  PackStages stages;
};

std::vector<Combination> Combinations() {
  using F = PackFirstStage;
  using E = PackEntropyStage;
  // Blocks of 1 MiB (table A code 6) decode faster than the 4 MiB of code
  // 10, whose link arrays outgrow the caches; the 4 MiB row shows the size
  // it buys. The window and the entropy capacity are the tables' largest.
  auto make = [](F first, E entropy, std::uint32_t block_sort_size = 1u << 20) {
    PackStages stages;
    stages.first = first;
    stages.entropy = entropy;
    stages.block_sort_size = block_sort_size;
    stages.window_exponent = 15;
    stages.entropy_capacity = 1u << 20;
    return stages;
  };
  return {{"lzss+huffman", make(F::kSlidingWindow, E::kHuffman)},
          {"lzss+range", make(F::kSlidingWindow, E::kRange)},
          {"bwt+huffman", make(F::kBlockSort, E::kHuffman)},
          {"bwt+range", make(F::kBlockSort, E::kRange)},
          {"bwt4M+huffman", make(F::kBlockSort, E::kHuffman, 4u << 20)},
          {"lzss", make(F::kSlidingWindow, E::kNone)},
          {"huffman", make(F::kNone, E::kHuffman)},
          {"range", make(F::kNone, E::kRange)}};
}

class SpanReader final : public IPackReader {
 public:
  explicit SpanReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    const std::size_t n = std::min<std::size_t>(count, bytes_.size() - position_);
    std::copy_n(bytes_.data() + position_, n, buffer);
    position_ += n;
    *delivered = static_cast<std::uint32_t>(n);
    return true;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t position_ = 0;
};

// Copies into a preallocated buffer, as the archive's memory sink does.
class BufferSink final : public IPackSink {
 public:
  explicit BufferSink(std::vector<std::uint8_t>& buffer) : buffer_(buffer) {}
  bool Write(const std::uint8_t* data, std::uint32_t count, std::uint32_t* taken) override {
    *taken = count;
    if (count == 0) return true;
    if (count > buffer_.size() - written_) return false;
    std::copy_n(data, count, buffer_.data() + written_);
    written_ += count;
    return true;
  }
  std::size_t Written() const { return written_; }

 private:
  std::vector<std::uint8_t>& buffer_;
  std::size_t written_ = 0;
};

bool DecodeOnce(const PackStages& stages, const std::vector<std::uint8_t>& stored,
                std::vector<std::uint8_t>& out) {
  SpanReader reader(stored);
  BufferSink sink(out);
  return DecodePackStages(stages, static_cast<std::uint32_t>(stored.size()), reader, sink) &&
         sink.Written() == out.size();
}

double Seconds(const std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best wall time of a shell command over the repeats.
double TimeCommand(const std::string& command) {
  double best = 1e30;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "bench: failed: %s\n", command.c_str());
      std::exit(1);
    }
    best = std::min(best, Seconds(start));
  }
  return best;
}

struct Row {
  std::string name;
  std::size_t size;
  double encode_seconds;
  double decode_seconds;
};

std::vector<Row> ToolRows(const std::vector<std::uint8_t>& data) {
  const auto dir = std::filesystem::temp_directory_path() / "tarrowin-pack-bench";
  std::filesystem::create_directories(dir);
  const auto input = (dir / "mix.bin").string();
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  std::vector<Row> rows;
  for (const auto& [tool, level, suffix] :
       {std::tuple{"gzip", "-6", ".gz"}, std::tuple{"bzip2", "-9", ".bz2"},
        std::tuple{"xz", "-6", ".xz"}}) {
    const std::string packed = input + suffix;
    const double encode =
        TimeCommand(std::string(tool) + " " + level + " -c " + input + " > " + packed);
    const double decode = TimeCommand(std::string(tool) + " -d -c " + packed + " > /dev/null");
    rows.push_back(
        {std::string(tool) + " " + level, std::filesystem::file_size(packed), encode, decode});
  }
  std::filesystem::remove_all(dir);
  return rows;
}

}  // namespace
}  // namespace tarrowin

int main(int argc, char** argv) {
  using namespace tarrowin;
  benchmark::Initialize(&argc, argv);
  static const std::vector<std::uint8_t> data = BenchmarkData();
  std::vector<Row> rows;
  static std::map<std::string, std::vector<std::uint8_t>> stored;
  for (const auto& combination : Combinations()) {
    auto start = std::chrono::steady_clock::now();
    stored[combination.name] = EncodePackStages(combination.stages, data);
    const double encode = Seconds(start);
    std::vector<std::uint8_t> out(data.size());
    double best = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
      start = std::chrono::steady_clock::now();
      if (!DecodeOnce(combination.stages, stored[combination.name], out) || out != data) {
        std::fprintf(stderr, "bench: %s does not round-trip\n", combination.name);
        return 1;
      }
      best = std::min(best, Seconds(start));
    }
    rows.push_back({combination.name, stored[combination.name].size(), encode, best});
    benchmark::RegisterBenchmark(
        (std::string("Decode/") + combination.name).c_str(),
        [stages = combination.stages,
         name = std::string(combination.name)](benchmark::State& state) {
          std::vector<std::uint8_t> out(data.size());
          for (auto _ : state) {
            if (!DecodeOnce(stages, stored[name], out)) state.SkipWithError("decode failed");
            benchmark::ClobberMemory();
          }
          state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
        })
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const auto tools = ToolRows(data);
  rows.insert(rows.end(), tools.begin(), tools.end());
  const double megabytes = static_cast<double>(data.size()) / 1e6;
  std::printf(
      "\n16 MiB mix (8 MiB /usr/include/c++/12 headers, 8 MiB /usr/bin/cmake); "
      "best of %d runs, decoded MB/s = 16.78 MB / wall time\n",
      kRepeats);
  std::printf("%-14s %12s %8s %12s %12s\n", "method", "size", "ratio", "encode MB/s",
              "decode MB/s");
  for (const auto& row : rows) {
    std::printf("%-14s %12zu %8.3f %12.1f %12.1f\n", row.name.c_str(), row.size,
                static_cast<double>(data.size()) / static_cast<double>(row.size),
                megabytes / row.encode_seconds, megabytes / row.decode_seconds);
  }
  return 0;
}
